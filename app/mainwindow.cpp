#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "apppictures.h"
#include "bindingoverlays.h"
#include "databasefiles.h"
#include "databaseupdate.h"
#include "environmentcommands.h"
#include "environmentfile.h"
#include "filedownloader.h"
#include "logformat.h"
#include "mappingstore.h"
#include "mappingsubmitter.h"
#include "padroster.h"
#include "similarpadsmenu.h"
#include "steamcommands.h"
#include "updatecheck.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>
#include <QSignalBlocker>
#include <stdio.h>
#include <unistd.h>

namespace
{
const char* const kProductLabel = "Stickwell v1.2";
const char* const kWebsite = "https://stickwell.brightmoor.org";
} // namespace

MainWindowSettings::MainWindowSettings()
    : dataDirectory(defaultDataDirectory()), seedPath(defaultSeedPath()),
      environmentFile(QString::fromUtf8(kSystemEnvironmentFile)), configHome(defaultConfigHome()),
      runningAsRoot(::geteuid() == 0), databaseUrl(QString::fromUtf8(kDefaultDatabaseUrl)),
      submissionUrl(QString::fromUtf8(kDefaultSubmissionUrl)), networkTimeoutMs(kNetworkTimeoutMs),
      steamHome(QDir::homePath())
{
}

MainWindowSettings MainWindowSettings::fromEnvironment()
{
    MainWindowSettings settings;
    const QByteArray databaseUrl = qgetenv("STICKWELL_DATABASE_URL");
    const QByteArray submissionUrl = qgetenv("STICKWELL_SUBMISSION_URL");
    const QByteArray environmentFile = qgetenv("STICKWELL_ENVIRONMENT_FILE");
    if (!databaseUrl.isEmpty())
        settings.databaseUrl = QUrl(QString::fromUtf8(databaseUrl));
    if (!submissionUrl.isEmpty())
        settings.submissionUrl = QUrl(QString::fromUtf8(submissionUrl));
    if (!environmentFile.isEmpty())
        settings.environmentFile = QString::fromLocal8Bit(environmentFile);
    return settings;
}

MainWindow::MainWindow(QWidget* parent) : MainWindow(MainWindowSettings(), parent) {}

MainWindow::MainWindow(const MainWindowSettings& settings, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::MainWindow), m_settings(settings), m_dialogs(this)
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint | Qt::CustomizeWindowHint |
                   Qt::WindowCloseButtonHint);
    ui->setupUi(this);
    setWindowIcon(applicationIcon());
    statusBar()->setSizeGripEnabled(false);
    ui->mainImage->setPixmap(loadPicture(":/PadSetup-Back-Tp.png", devicePixelRatioF()));

    m_pStore = new MappingStore(m_settings.submissionUrl, m_settings.networkTimeoutMs, this);
    connect(m_pStore, &MappingStore::logged, this, &MainWindow::logLine);
    m_pSteam = new SteamCommands(SteamMappings(m_settings.steamHome), m_dialogs, this);
    connect(m_pSteam, &SteamCommands::logged, this, &MainWindow::logLine);
    QString dataDirectoryError;
    const bool dataDirectory = m_pStore->open(m_settings.dataDirectory, m_settings.seedPath,
                                              &dataDirectoryError, m_pSteam->heldLines());
    createSteamMenu();
    m_pSimilar = new SimilarPadsMenu(ui->similarButton, this);
    connect(m_pSimilar, &SimilarPadsMenu::relativeChosen, this,
            [this](int i) { m_pSession->tryRelative(i); });
    connect(m_pSimilar, &SimilarPadsMenu::keepSdlLineChosen, this, [this] { m_pSession->keepSdlLine(); });

    m_pOverlays.reset(new BindingOverlays(ui->mainImage));
    ui->mainImage->installEventFilter(this);
    ui->mainImage->setToolTip("Click a control to capture it again (gamepads with a mapping)");
    // Escape leaves the wizard as Cancel does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_pSession->mode() != MappingSession::Mode::Idle)
            m_pSession->cancel();
    });
    printBanner();
    m_pSteam->reportAtStart();
    m_pStore->reportAtStart();
    if (!dataDirectory)
        reportDataDirectoryError(dataDirectoryError);

    m_pRoster = new PadRoster(m_pStore, this);
    connect(m_pRoster, &PadRoster::logged, this, &MainWindow::logLine);
    connect(m_pRoster, &PadRoster::rebuilt, this, &MainWindow::showRoster);
    connect(m_pRoster, &PadRoster::selected, this, &MainWindow::showCommands);
    m_pRoster->rebuild();

    // The data directory is the working directory now; the mapping file is named by its full path.
    m_pCommands = new EnvironmentCommands(
        m_settings.environmentFile, userEnvironmentFile(m_settings.configHome), m_settings.runningAsRoot,
        m_dialogs, dataDirectory ? QDir::current().absoluteFilePath(kLocalDatabaseFile) : QString(), this);
    connect(m_pCommands, &EnvironmentCommands::logged, this, &MainWindow::logLine);

    m_pSession = new MappingSession(*m_pRoster, *m_pStore, m_dialogs, this);
    connect(m_pSession, &MappingSession::logged, this, &MainWindow::logLine);
    connect(m_pSession, &MappingSession::modeChanged, this, &MainWindow::showMode);
    connect(m_pSession, &MappingSession::rowLit, this, &MainWindow::showGamepadImage);
    connect(m_pSession, &MappingSession::stepChanged, this,
            [this](int, const QString& status) { statusBar()->showMessage(status, 0); });
    connect(m_pSession, &MappingSession::stored, this, &MainWindow::reportStored);
    m_pSession->start();

    m_pCommands->reportAtStart();
    showCommands();

    // Without the data directory there is nowhere to keep an update.
    if (!dataDirectory)
        return;
    m_pUpdate = new DatabaseUpdate(*m_pSession, *m_pStore, m_dialogs, this);
    connect(m_pUpdate, &DatabaseUpdate::logged, this, &MainWindow::logLine);
    m_pUpdate->start(m_settings.databaseUrl);
}

MainWindow::~MainWindow()
{
    // The update and the worker go first: nothing they send may reach a window that is half gone.
    delete m_pUpdate;
    delete m_pSession;
    delete ui;
}

void MainWindow::logMessage(const char* text)
{
    printf("[LOG] %s\n", text);
    ui->logTextEdit->appendPlainText(QString::fromUtf8(text));
}

void MainWindow::logLine(const QString& line)
{
    logMessage(line.toUtf8().constData());
}

void MainWindow::printBanner()
{
    SDL_version linked;
    SDL_GetVersion(&linked);
    logMessage(formatText("%s by Brightmoor (compiled with SDL version %d.%d.%d, DLL version %d.%d.%d)",
                          kProductLabel, SDL_MAJOR_VERSION, SDL_MINOR_VERSION, SDL_PATCHLEVEL, linked.major,
                          linked.minor, linked.patch));
    logMessage(formatText("Website: %s\n", kWebsite));
}

void MainWindow::showInformation(const QString& text)
{
    m_dialogs.tell(text);
}

void MainWindow::reportDataDirectoryError(const QString& why)
{
    const QByteArray reason = why.toUtf8();
    const char* text =
        formatText("Error: the data directory cannot be used (%s): new mappings cannot be saved "
                   "and the community database is not updated",
                   reason.constData());
    logMessage(text);
    // Shown once the window is up, over it rather than before it.
    const QString message = QString::fromUtf8(text);
    QMetaObject::invokeMethod(
        this, [this, message] { showInformation(message); }, Qt::QueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    QCoreApplication::quit();
}

// ---- gamepad list ----

void MainWindow::showRoster()
{
    const bool none = m_pRoster->devicesFound() == 0;
    {
        // The roster has selected already: the list only shows it.
        const QSignalBlocker quiet(ui->gamepadComboBox);
        ui->gamepadComboBox->clear();
        for (const PadEntry& entry : m_pRoster->entries())
            ui->gamepadComboBox->addItem(entry.text);
        if (none)
            ui->gamepadComboBox->addItem(m_pRoster->statusText());
        ui->gamepadComboBox->setCurrentIndex(none ? 0 : m_pRoster->currentIndex());
    }
    statusBar()->showMessage(m_pRoster->statusText(), 0);
    showCommands();
}

void MainWindow::showCommands()
{
    const bool idle = m_pSession == nullptr || m_pSession->mode() == MappingSession::Mode::Idle;
    // The commands that hand out a line need the pad's own: never another pad's that SDL applies to it.
    const bool line = idle && !m_pRoster->mappingLine().isEmpty();
    ui->copyBindingsButton->setEnabled(line);
    // The GUID is what a user searches the database for, above all for a pad without a mapping.
    ui->copyIdButton->setEnabled(m_pRoster->joystick() != nullptr);
    ui->setEnvVarButton->setEnabled(line);
    ui->resetEnvVarButton->setEnabled(idle && m_pCommands && m_pCommands->isSaved());
    ui->newBindings->setEnabled(!m_pRoster->entries().isEmpty());
    ui->gamepadComboBox->setEnabled(idle);
    const QList<QAction*> actions = ui->steamButton->menu()->actions();
    actions[0]->setEnabled(line && m_pSteam->available());
    actions[1]->setEnabled(line && m_pSteam->available());
    actions[2]->setEnabled(line);
    ui->steamButton->setEnabled(line);
    m_pSimilar->show(m_pRoster->relatives(), m_pRoster->lineCheck().state == SdlLineCheck::SdlOnly, idle);
}

void MainWindow::createSteamMenu()
{
    auto* menu = new QMenu(ui->steamButton);
    menu->addAction("&Add Mapping To Steam", this,
                    [this] { m_pSteam->add(m_pRoster->selectedPad(), m_pRoster->mappingLine()); });
    menu->addAction("&Remove Mapping From Steam", this,
                    [this] { m_pSteam->remove(m_pRoster->selectedPad()); });
    menu->addAction("&Copy As Steam Launch Option", this, [this] {
        const QByteArray option = m_pSteam->launchOption(m_pRoster->mappingLine());
        if (option.isEmpty())
            return;
        QGuiApplication::clipboard()->setText(QString::fromUtf8(option), QClipboard::Clipboard);
        showInformation("Steam launch option copied to a clipboard buffer. Paste it into the game's "
                        "Properties, General, Launch Options, and turn Steam Input off for that game "
                        "(Properties, Controller).");
    });
    ui->steamButton->setMenu(menu);
}

void MainWindow::on_gamepadComboBox_currentIndexChanged(int index)
{
    m_pRoster->select(index);
}

// ---- wizard view ----

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->mainImage && event->type() == QEvent::MouseButtonPress) {
        const auto* click = static_cast<QMouseEvent*>(event);
        const int row = click->button() == Qt::LeftButton ? m_pOverlays->rowAt(click->pos()) : -1;
        if (row >= 0)
            m_pSession->startRecapture(row);
        return row >= 0;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showGamepadImage(int index, bool show)
{
    m_pOverlays->show(index, show);
}

void MainWindow::showMode(MappingSession::Mode mode)
{
    const bool capture = mode == MappingSession::Mode::Wizard || mode == MappingSession::Mode::Recapture;
    const bool trial = mode == MappingSession::Mode::Trial;
    // A single-control capture has one row only: there is no step to go back to.
    ui->previousButton->setEnabled(mode != MappingSession::Mode::Recapture);
    ui->cancelButton->setVisible(capture);
    ui->previousButton->setVisible(capture);
    ui->skipButton->setVisible(capture);
    ui->keepButton->setVisible(trial);
    ui->discardButton->setVisible(trial);
    ui->copyBindingsButton->setVisible(mode == MappingSession::Mode::Idle);
    ui->copyIdButton->setVisible(mode == MappingSession::Mode::Idle);
    ui->newBindings->setVisible(mode == MappingSession::Mode::Idle);
    showCommands();
    if (capture)
        return;
    m_pOverlays->hideAll();
    statusBar()->showMessage(trial ? m_pSession->trialStatus() : m_pRoster->statusText(), 0);
}

void MainWindow::on_newBindings_clicked()
{
    m_pSession->startWizard();
}

void MainWindow::on_cancelButton_clicked()
{
    m_pSession->cancel();
}

void MainWindow::on_skipButton_clicked()
{
    m_pSession->skip();
}

void MainWindow::on_previousButton_clicked()
{
    m_pSession->previous();
}

void MainWindow::on_keepButton_clicked()
{
    m_pSession->keepTrial();
}

void MainWindow::on_discardButton_clicked()
{
    m_pSession->discardTrial();
}

void MainWindow::reportStored(const StoreResult& result)
{
    if (result.saved)
        return;
    // The line lives only in SDL until the program closes: give the user a way to keep it.
    const QByteArray reason = result.unsaved.toUtf8();
    const QString question = QString::fromUtf8(formatText(
        "The mapping could not be saved: %s. It works only until Stickwell closes. Copy the mapping "
        "string to the clipboard to keep it?",
        reason.constData()));
    if (!m_dialogs.ask(question, Dialogs::Icon::Warning))
        return;
    QGuiApplication::clipboard()->setText(QString::fromUtf8(result.line), QClipboard::Clipboard);
    logMessage("The mapping string was copied to the clipboard");
}

// ---- clipboard and environment commands ----

void MainWindow::on_copyIdButton_clicked()
{
    if (!m_pRoster->joystick())
        return;
    const QByteArray guidText = m_pRoster->selectedPad().guid;
    const QByteArray name = m_pRoster->lineName();
    QGuiApplication::clipboard()->setText(QString::fromUtf8(guidText), QClipboard::Clipboard);
    logMessage(formatText("The GUID for \"%s\" is \"%s\"", name.constData(), guidText.constData()));
    showInformation(
        QString::fromUtf8(formatText("The GUID for \"%s\" copied to a clipboard buffer", name.constData())));
}

void MainWindow::on_copyBindingsButton_clicked()
{
    const QByteArray mappingText = m_pRoster->mappingLine();
    if (mappingText.isEmpty())
        return;
    const QByteArray name = m_pRoster->lineName();
    QGuiApplication::clipboard()->setText(QString::fromUtf8(mappingText), QClipboard::Clipboard);
    logMessage(formatText("Mapping string for \"%s\" is \"%s\"", name.constData(), mappingText.constData()));
    showInformation(QString::fromUtf8(
        formatText("Mapping string for \"%s\" copied to a clipboard buffer", name.constData())));
}

void MainWindow::on_setEnvVarButton_clicked()
{
    // The line is taken now: the pad may go while the question shows, and another be selected.
    const QByteArray line = m_pRoster->mappingLine();
    if (!line.isEmpty() && m_pCommands->set(line, m_pRoster->selectedPad()))
        ui->resetEnvVarButton->setEnabled(true);
}

void MainWindow::on_resetEnvVarButton_clicked()
{
    m_pCommands->reset();
    ui->resetEnvVarButton->setEnabled(m_pCommands->isSaved());
}
