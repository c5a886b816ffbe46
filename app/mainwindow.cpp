#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "apppictures.h"
#include "bindingtable.h"
#include "databasefiles.h"
#include "environmentfile.h"
#include "filedownloader.h"
#include "gamepadname.h"
#include "localmappingfile.h"
#include "logformat.h"
#include "mappingparser.h"
#include "mappingstring.h"
#include "mappingsubmitter.h"
#include "padidentity.h"
#include "sdlpollevent.h"
#include "updatecheck.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPixmap>
#include <QShortcut>
#include <QThread>
#include <stdio.h>
#include <unistd.h>

namespace
{
const char* const kProductLabel = "Stickwell v1.2";
const char* const kWebsite = "https://stickwell.brightmoor.org";
const char* const kEnvVarName = "SDL_GAMECONTROLLERCONFIG";
const char* const kNoGamepads = "No gamepads found";
const int kDeviceIndexRole = Qt::UserRole;
const int kInstanceIdRole = Qt::UserRole + 1;

QLabel* bindingOverlays[BINDING_ROWS];
} // namespace

int mappingMode = SDLPollEvent::NormalMode;

MainWindowSettings::MainWindowSettings()
    : dataDirectory(defaultDataDirectory()), seedPath(defaultSeedPath()),
      environmentFile(QString::fromUtf8(kSystemEnvironmentFile)), configHome(defaultConfigHome()),
      runningAsRoot(::geteuid() == 0), databaseUrl(QString::fromUtf8(kDefaultDatabaseUrl)),
      submissionUrl(QString::fromUtf8(kDefaultSubmissionUrl)), networkTimeoutMs(kNetworkTimeoutMs)
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
    : QMainWindow(parent), m_pJoystick(nullptr), m_pGameController(nullptr), m_pThread(nullptr),
      m_pWorker(nullptr), m_pFileDownloader(nullptr), m_pNetwork(nullptr), ui(new Ui::MainWindow),
      m_settings(settings)
{
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint | Qt::CustomizeWindowHint |
                   Qt::WindowCloseButtonHint);
    ui->setupUi(this);
    setWindowIcon(applicationIcon());
    statusBar()->setSizeGripEnabled(false);
    ui->mainImage->setPixmap(loadPicture(":/PadSetup-Back-Tp.png", devicePixelRatioF()));

    QString dataDirectoryError;
    m_bDataDirectory = enterDataDirectory(m_settings.dataDirectory, m_settings.seedPath, &dataDirectoryError);
    if (m_bDataDirectory)
        loadMappingFiles();
    else
        loadConfiguredMappings();

    createBindingOverlays();
    ui->mainImage->installEventFilter(this);
    ui->mainImage->setToolTip("Click a control to capture it again (gamepads with a mapping)");
    // Escape leaves the wizard as Cancel does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (mappingMode == SDLPollEvent::MappingMode)
            on_cancelButton_clicked();
    });
    printBanner();
    if (!m_bDataDirectory)
        reportDataDirectoryError(dataDirectoryError);
    refreshGamepadList();

    m_pThread = new QThread;
    m_pWorker = new SDLPollEvent;
    m_pWorker->runOn(m_pThread);
    connect(m_pWorker, SIGNAL(buttonPressed(int, bool)), this, SLOT(showGamepadImage(int, bool)));
    connect(m_pWorker, SIGNAL(mappingReady(CapturedBindings)), this,
            SLOT(newMappingAvailable(CapturedBindings)));
    connect(m_pWorker, SIGNAL(joystickAdded(int)), this, SLOT(addJoystick(int)));
    connect(m_pWorker, SIGNAL(joystickRemoved(int)), this, SLOT(removeJoystick(int)));

    setMappingMode(SDLPollEvent::NormalMode);

    const QByteArray configured = getEnvVar(kEnvVarName).toUtf8();
    if (!configured.isEmpty()) {
        logMessage(
            formatText("Environment variable \"%s\" is set to: \"%s\"", kEnvVarName, configured.constData()));
    } else {
        logMessage(formatText("Environment variable \"%s\" is not defined", kEnvVarName));
    }
    // Where a value for later sessions comes from; Reset is offered only when there is one to remove.
    const QByteArray systemFile = QFile::encodeName(m_settings.environmentFile);
    const QByteArray userFile = QFile::encodeName(userEnvironmentPath());
    if (fileAssignsEnvVar(m_settings.environmentFile, kEnvVarName))
        logMessage(formatText("Environment variable \"%s\" is saved system-wide in %s", kEnvVarName,
                              systemFile.constData()));
    if (fileAssignsEnvVar(userEnvironmentPath(), kEnvVarName))
        logMessage(formatText("Environment variable \"%s\" is saved for your user in %s", kEnvVarName,
                              userFile.constData()));
    ui->resetEnvVarButton->setEnabled(envVarSaved());

    m_pNetwork = new QNetworkAccessManager(this);
    m_pNetwork->setTransferTimeout(m_settings.networkTimeoutMs);
    // Without the data directory there is nowhere to keep an update.
    if (!m_bDataDirectory)
        return;
    m_pFileDownloader = new FileDownloader(m_settings.databaseUrl, this, m_pNetwork);
    connect(m_pFileDownloader, SIGNAL(downloaded()), this, SLOT(dbFileDownloaded()));
    logMessage(formatText("Checking if new mappings available from github: %s", kDatabaseProjectPage));
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

MainWindow::~MainWindow()
{
    if (m_pWorker)
        m_pWorker->stop();
    qDebug() << "Deleting thread and worker in Thread " << QThread::currentThreadId();
    closeGamepad();
    delete m_pThread;
    delete m_pWorker;
    delete ui;
    for (QLabel*& overlay : bindingOverlays)
        overlay = nullptr;
}

void MainWindow::logMessage(const char* text)
{
    printf("[LOG] %s\n", text);
    ui->logTextEdit->appendPlainText(QString::fromUtf8(text));
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
    QMessageBox box;
    box.setText(QString::fromUtf8(kProductLabel));
    box.setInformativeText(text);
    box.setIcon(QMessageBox::Information);
    box.exec();
}

// ---- gamepad list ----

void MainWindow::refreshGamepadList(SDL_JoystickID keepInstance)
{
    closeGamepad();
    int remembered = ui->gamepadComboBox->currentIndex();
    if (remembered < 0)
        remembered = 0;
    ui->gamepadComboBox->clear();
    logMessage("Searching gamepads...");

    const int count = SDL_NumJoysticks();
    if (count <= 0) {
        logMessage(kNoGamepads);
        m_sGamepadStatus = QString::fromUtf8(kNoGamepads);
        statusBar()->showMessage(m_sGamepadStatus, 0);
        ui->gamepadComboBox->addItem(kNoGamepads);
        ui->copyBindingsButton->setEnabled(false);
        ui->copyIdButton->setEnabled(false);
        ui->newBindings->setEnabled(false);
        ui->setEnvVarButton->setEnabled(false);
        return;
    }

    logMessage(formatText("Found %i gamepad(s):", count));
    m_sGamepadStatus = QString::fromUtf8(formatText("Found %i gamepad(s)", count));
    statusBar()->showMessage(m_sGamepadStatus, 0);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        SDL_Joystick* joystick = SDL_JoystickOpen(i);
        if (!joystick) {
            logMessage(formatText("Error: can't open gamepad[%d] (%s)", i, SDL_GetError()));
            continue;
        }
        const QByteArray guidText = joystickIdentity(joystick).guid;
        const char* joystickName = SDL_JoystickName(joystick);
        QString name = QString::fromUtf8(joystickName ? joystickName : "");
        QString text;
        if (SDL_IsGameController(i)) {
            SDL_GameController* controller = SDL_GameControllerOpen(i);
            if (controller) {
                const char* controllerName = SDL_GameControllerName(controller);
                name = QString::fromUtf8(controllerName ? controllerName : "");
                const QByteArray utf8 = name.toUtf8();
                logMessage(
                    formatText("\"%s\", %s (mapping available)", utf8.constData(), guidText.constData()));
                SDL_GameControllerClose(controller);
            } else {
                logMessage(formatText("Error: can't open gamepad[%d] (%s)", i, SDL_GetError()));
            }
            text = name + " (mapping available)";
        } else {
            const QByteArray utf8 = name.toUtf8();
            logMessage(formatText("\"%s\", %s", utf8.constData(), guidText.constData()));
            text = name + " ";
        }
        // The device index travels with the entry: once a device fails to open, positions and
        // SDL's indexes no longer agree.
        // The first entry becomes current at once, and the selection opens it by this index.
        ui->gamepadComboBox->addItem(text, i);
        ui->gamepadComboBox->setItemData(ui->gamepadComboBox->count() - 1, SDL_JoystickInstanceID(joystick),
                                         kInstanceIdRole);
        SDL_JoystickClose(joystick);
    }
    // Devices are back, so a new mapping can be made again.
    ui->newBindings->setEnabled(ui->gamepadComboBox->count() > 0);

    int target = remembered;
    if (keepInstance >= 0) {
        const int found = ui->gamepadComboBox->findData(keepInstance, kInstanceIdRole);
        if (found >= 0)
            target = found;
    }
    // A rebuild for changed mappings may end with no current entry. When a hot-plug rebuild has lost the
    // selected pad and its position with it, the first entry, whose device is held already, stays current:
    // a list showing no pad while the commands work on one would mislead.
    if (target >= ui->gamepadComboBox->count())
        target = keepInstance >= 0 ? 0 : -1;
    ui->gamepadComboBox->setCurrentIndex(target);
}

void MainWindow::on_gamepadComboBox_currentIndexChanged(int index)
{
    if (index < 0)
        return;
    closeGamepad();
    if (SDL_NumJoysticks() <= 0)
        return;
    const QVariant device = ui->gamepadComboBox->itemData(index, kDeviceIndexRole);
    if (!device.isValid())
        return;
    const int deviceIndex = device.toInt();
    m_pJoystick = SDL_JoystickOpen(deviceIndex);
    const bool mapped = SDL_IsGameController(deviceIndex);
    if (mapped)
        m_pGameController = SDL_GameControllerOpen(deviceIndex);
    ui->copyBindingsButton->setEnabled(mapped);
    // The GUID is what a user searches the database for, above all for a pad without a mapping.
    ui->copyIdButton->setEnabled(m_pJoystick != nullptr);
    ui->setEnvVarButton->setEnabled(mapped);
}

void MainWindow::closeGamepad()
{
    if (m_pGameController) {
        SDL_GameControllerClose(m_pGameController);
        m_pGameController = nullptr;
    }
    // The joystick stays open in SDL: SDL counts opens, and a later selection gets the same handle.
    m_pJoystick = nullptr;
}

bool MainWindow::listHoldsInstance(SDL_JoystickID instance) const
{
    return ui->gamepadComboBox->findData(instance, kInstanceIdRole) >= 0;
}

// True when SDL's devices are no longer the ones listed (a capture swallows the hot-plug events).
bool MainWindow::listIsStale() const
{
    int listed = 0;
    for (int i = 0; i < ui->gamepadComboBox->count(); ++i)
        if (ui->gamepadComboBox->itemData(i, kInstanceIdRole).isValid())
            ++listed;
    int present = 0;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (!listHoldsInstance(SDL_JoystickGetDeviceInstanceID(i)))
            return true;
        ++present;
    }
    return present != listed;
}

SDL_JoystickID MainWindow::selectedInstance() const
{
    const QVariant data = ui->gamepadComboBox->currentData(kInstanceIdRole);
    return data.isValid() ? data.toInt() : -1;
}

PadIdentity MainWindow::selectedPad() const
{
    return joystickIdentity(m_pJoystick);
}

QByteArray MainWindow::selectedMappingLine() const
{
    char* sdlMapping = SDL_GameControllerMapping(m_pGameController);
    const QByteArray sdlText(sdlMapping ? sdlMapping : "");
    SDL_free(sdlMapping);
    const QByteArray line = portableMappingLine(sdlText, selectedPad().crc);
    // SDL writes its own lines well-formed; should one not be, its text is still better than none.
    return line.isEmpty() ? sdlText : line;
}

void MainWindow::addJoystick(int index)
{
    // SDL also reports the devices present at start; only a device the list lacks changes it.
    if (mappingMode != SDLPollEvent::NormalMode || listHoldsInstance(SDL_JoystickGetDeviceInstanceID(index)))
        return;
    applyMappingChanges();
}

void MainWindow::removeJoystick(int index)
{
    if (mappingMode != SDLPollEvent::NormalMode) {
        // Other pads wait for the end of the wizard; without its own pad the wizard has nothing to do.
        if (index == selectedInstance())
            abandonWizard();
        return;
    }
    // SDL renumbers its devices after a removal, so the entries must be rebuilt to stay true.
    if (!listHoldsInstance(index))
        return;
    applyMappingChanges();
}

void MainWindow::abandonWizard()
{
    // Normal mode first: hot-plug and the signals that end the program work again while the box shows.
    setMappingMode(SDLPollEvent::NormalMode);
    hideBindingOverlays();
    applyMappingChanges();
    const char* text = "The gamepad was unplugged: the new mapping was not finished";
    logMessage(text);
    showInformation(QString::fromUtf8(text));
}

// ---- database ----

void MainWindow::applyMappingChanges()
{
    // The selection follows the pad, not its row: pads plugged in or out meanwhile move the rows.
    refreshGamepadList(selectedInstance());
    reapplyMappingMode();
}

void MainWindow::dbFileDownloaded()
{
    const UpdateCheckOutcome outcome = checkDownloadedDatabase(
        m_pFileDownloader->receivedData(), m_pFileDownloader->errorString(),
        QString::fromUtf8(kCommunityDatabaseFile), m_pFileDownloader->bodyEndProven());
    switch (outcome.result) {
    case UpdateCheckResult::NoWorkingCopy:
        return;
    case UpdateCheckResult::Failed: {
        const QByteArray reason = outcome.reason.toUtf8();
        logMessage(formatText("Update check failed: %s", reason.constData()));
        return;
    }
    case UpdateCheckResult::UpToDate:
        logMessage("Mappings are already up-to-date");
        return;
    case UpdateCheckResult::Differs:
        break;
    }
    if (mappingMode != SDLPollEvent::NormalMode) {
        logMessage("New mappings available; they will be offered at the next start");
        return;
    }
    QString error;
    if (!replaceWorkingCopy(QString::fromUtf8(kCommunityDatabaseFile), m_pFileDownloader->receivedData(),
                            &error)) {
        const QByteArray reason = error.toUtf8();
        logMessage(formatText("Error: can't store the new mappings: %s", reason.constData()));
        return;
    }
    logMessage("New mappings available");
    QCoreApplication::processEvents(QEventLoop::AllEvents);

    QMessageBox box;
    box.setText(QString::fromUtf8(kProductLabel));
    box.setInformativeText("New mappings available. Do you want to load them?");
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setIcon(QMessageBox::Information);
    if (box.exec() != QMessageBox::Yes)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    loadMappingFiles();
    // The reload brings back the configured mappings; what was made since the start stays newer.
    for (const QByteArray& mappingText : qAsConst(m_sessionMappings))
        SDL_GameControllerAddMapping(mappingText.constData());
    applyMappingChanges();
}

void MainWindow::newMappingAvailable(const CapturedBindings& bindings)
{
    // The list is locked while a capture runs: the selected pad is the one captured.
    char text[MAPPING_TEXT_SIZE];
    buildMappingString(bindings.bindings, m_pJoystick ? SDL_JoystickInstanceID(m_pJoystick) : -1, text);
    const QString mapping = QString::fromUtf8(text);
    const bool recaptured = m_bRecapture;
    setMappingMode(SDLPollEvent::NormalMode);
    // The capture swallowed hot-plug: the list must show what is plugged in before it is acted on.
    if (listIsStale())
        applyMappingChanges();
    if (recaptured) {
        storeRecapturedMapping(mapping.toUtf8());
        return;
    }

    const char* sdlName = nullptr;
    if (m_pGameController)
        sdlName = SDL_GameControllerName(m_pGameController);
    else if (m_pJoystick)
        sdlName = SDL_JoystickName(m_pJoystick);
    else {
        logMessage("No gamepad is selected any more: the new mapping was not saved");
        return;
    }
    // Taken before the dialog: hot-plug may rebuild the list while it is open.
    const PadIdentity pad = selectedPad();
    QString typed = suggestedGamepadName(sdlName);
    QString name;
    for (;;) {
        bool ok = false;
        typed = QInputDialog::getText(this, QString::fromUtf8(kProductLabel),
                                      "Enter gamepad name:", QLineEdit::Normal, typed, &ok);
        if (!ok)
            return;
        QString why;
        if (acceptGamepadName(typed, &name, &why))
            break;
        showInformation(why);
    }

    QString error;
    QByteArray portable = portableMappingLine(mapping.toUtf8(), pad.crc, &error);
    if (portable.isEmpty()) {
        const QByteArray reason = error.toUtf8();
        logMessage(formatText("Error: the mapping string keeps SDL's GUID: %s", reason.constData()));
        portable = mapping.toUtf8();
    }
    storeMapping(finalMapping(QString::fromUtf8(portable), name), pad);
}

void MainWindow::storeMapping(const QByteArray& mappingText, const PadIdentity& pad)
{
    logMessage(formatText("Mapping string: '%s'", mappingText.constData()));
    QString unsaved = QStringLiteral("the data directory cannot be used");
    QStringList skipped;
    if (m_bDataDirectory &&
        saveLocalMapping(QString::fromUtf8(kLocalDatabaseFile), pad, mappingText, &unsaved, &skipped))
        unsaved.clear();
    for (const QString& line : skipped)
        logMessage(line.toUtf8().constData());

    QNetworkReply* reply = submitMapping(m_pNetwork, m_settings.submissionUrl, pad.guid, mappingText);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { mappingSubmitted(reply); });

    if (SDL_GameControllerAddMapping(mappingText.constData()) < 0)
        logMessage(formatText("Error: SDL did not take the mapping: %s", SDL_GetError()));
    else
        m_sessionMappings << mappingText;
    // This program reads the variable like any other mapping; games started with it still prefer it.
    const QByteArray configured = padLineIn(getEnvVar(kEnvVarName).toUtf8(), pad);
    if (!configured.isEmpty() && portableMappingLine(configured, pad.crc) != mappingText)
        logMessage(
            formatText("Note: \"%s\" holds another mapping for this gamepad; games started with it use "
                       "that one until you set this one with \"Set Mapping As Environment Variable\"",
                       kEnvVarName));
    // Said once the line works in SDL, which is then the only place that has it.
    if (!unsaved.isEmpty())
        reportUnsavedMapping(mappingText, unsaved);
    applyMappingChanges();
}

void MainWindow::reportUnsavedMapping(const QByteArray& mappingText, const QString& why)
{
    const QByteArray reason = why.toUtf8();
    logMessage(formatText("Error: can't save the mapping in %s: %s", kLocalDatabaseFile, reason.constData()));
    // The line lives only in SDL until the program closes: give the user a way to keep it.
    QMessageBox box;
    box.setText(QString::fromUtf8(kProductLabel));
    box.setInformativeText(QString::fromUtf8(formatText(
        "The mapping could not be saved: %s. It works only until Stickwell closes. Copy the mapping "
        "string to the clipboard to keep it?",
        reason.constData())));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setIcon(QMessageBox::Warning);
    if (box.exec() != QMessageBox::Yes)
        return;
    QGuiApplication::clipboard()->setText(QString::fromUtf8(mappingText), QClipboard::Clipboard);
    logMessage("The mapping string was copied to the clipboard");
}

void MainWindow::mappingSubmitted(QNetworkReply* reply)
{
    const QByteArray failure = replyFailure(reply).toUtf8();
    if (failure.isEmpty())
        logMessage("Mapping sent to the collection service");
    else
        logMessage(formatText("Mapping not sent: %s", failure.constData()));
    reply->deleteLater();
}

// ---- wizard view ----

void MainWindow::startRecapture(int row)
{
    if (mappingMode != SDLPollEvent::NormalMode || !m_pGameController || !m_pJoystick)
        return;
    if (!parseMapping(selectedMappingLine(), &m_recapture))
        return;
    logMessage(formatText("Capturing \"%s\" again: press the new input, Skip to clear it, Cancel to keep the "
                          "mapping as it is",
                          bindingTable[row].description));
    showMappingMode(SDLPollEvent::MappingMode);
    // One row only: there is no step to go back to.
    ui->previousButton->setEnabled(false);
    m_bRecapture = true;
    m_pWorker->restartSingle(SDL_JoystickInstanceID(m_pJoystick), row, m_recapture.bindings);
}

void MainWindow::storeRecapturedMapping(const QByteArray& captured)
{
    // The worker's line carries every row; the name and the fields no row stands for come from the
    // mapping the capture started from.
    ParsedMapping result;
    if (!m_pJoystick || !parseMapping(captured, &result))
        return;
    SDL_memcpy(m_recapture.bindings, result.bindings, sizeof m_recapture.bindings);
    const PadIdentity pad = selectedPad();
    const QByteArray rebuilt = buildMapping(m_recapture);
    const QByteArray portable = canonicalMappingLine(rebuilt, pad.crc);
    storeMapping(portable.isEmpty() ? rebuilt : portable, pad);
}

int MainWindow::bindingRowAt(const QPoint& pos) const
{
    // Highlights overlap (an arrow over its stick): the smallest one under the pointer is the one meant.
    int found = -1;
    int foundArea = 0;
    for (int row = 0; row < BINDING_ROWS; ++row) {
        if (!bindingOverlays[row])
            continue;
        const QRect place = bindingOverlays[row]->geometry();
        const int area = place.width() * place.height();
        if (place.contains(pos) && (found < 0 || area < foundArea)) {
            found = row;
            foundArea = area;
        }
    }
    return found;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->mainImage && event->type() == QEvent::MouseButtonPress) {
        const auto* click = static_cast<QMouseEvent*>(event);
        const int row = click->button() == Qt::LeftButton ? bindingRowAt(click->pos()) : -1;
        if (row >= 0)
            startRecapture(row);
        return row >= 0;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::createBindingOverlays()
{
    for (int row = 0; row < BINDING_ROWS; ++row) {
        auto* overlay = new QLabel(ui->mainImage);
        bindingOverlays[row] = overlay;
        overlay->setPixmap(loadPicture(bindingTable[row].image, overlay->devicePixelRatioF()));
        overlay->move(bindingTable[row].x, bindingTable[row].y);
        // Sized now, not when first shown: a click on the picture finds a control by its place.
        overlay->resize(overlay->sizeHint());
    }
    hideBindingOverlays();
}

void MainWindow::hideBindingOverlays()
{
    for (QLabel* overlay : bindingOverlays)
        if (overlay)
            overlay->setVisible(false);
}

void MainWindow::showGamepadImage(int index, bool show)
{
    if (index < 0 || index >= BINDING_ROWS || !bindingOverlays[index])
        return;
    bindingOverlays[index]->setVisible(show);
    // The capture lights each step's row as it reaches it, on every move forward, Skip and Previous.
    if (!show || mappingMode != SDLPollEvent::MappingMode)
        return;
    if (m_bRecapture)
        statusBar()->showMessage(
            QString::fromUtf8(formatText("Capturing again: %s", bindingTable[index].description)), 0);
    else
        statusBar()->showMessage(QString::fromUtf8(formatText("Step %d of %d: %s", index + 1, m_iWizardRows,
                                                              bindingTable[index].description)),
                                 0);
}

void MainWindow::setMappingMode(SDLPollEvent::Mode mode)
{
    showMappingMode(mode);
    m_pWorker->restart(mode, m_pJoystick ? SDL_JoystickInstanceID(m_pJoystick) : -1, m_iWizardRows);
}

void MainWindow::showMappingMode(SDLPollEvent::Mode mode)
{
    const bool mapping = mode == SDLPollEvent::MappingMode;
    m_bRecapture = false;
    ui->previousButton->setEnabled(true);
    ui->cancelButton->setVisible(mapping);
    ui->previousButton->setVisible(mapping);
    ui->skipButton->setVisible(mapping);
    ui->copyBindingsButton->setVisible(!mapping);
    ui->copyIdButton->setVisible(!mapping);
    ui->newBindings->setVisible(!mapping);
    ui->setEnvVarButton->setEnabled(!mapping && m_pGameController);
    ui->resetEnvVarButton->setEnabled(!mapping && envVarSaved());
    ui->gamepadComboBox->setEnabled(!mapping);
    mappingMode = mode;
    if (!mapping)
        statusBar()->showMessage(m_sGamepadStatus, 0);
}

void MainWindow::reapplyMappingMode()
{
    setMappingMode(SDLPollEvent::Mode(mappingMode));
}

void MainWindow::on_newBindings_clicked()
{
    QMessageBox box;
    box.setText(QString::fromUtf8(kProductLabel));
    box.setInformativeText(
        "Press the buttons on your gamepad when indicated (Your gamepad may look different than the "
        "picture). If you want to correct a mistake, click 'Back' button. To skip a button, click "
        "'Skip' button. To exit mapping mode, click 'Cancel' button");
    box.setIcon(QMessageBox::Information);
    // Opt-in: without the tick the wizard and its mapping stay the 25 standard controls.
    auto* extras = new QCheckBox("My gamepad has extra buttons (share, back paddles, touchpad)");
    box.setCheckBox(extras);
    box.exec();
    m_iWizardRows = extras->isChecked() ? int(BINDING_ROWS) : int(STANDARD_ROWS);
    setMappingMode(SDLPollEvent::MappingMode);
}

void MainWindow::on_cancelButton_clicked()
{
    setMappingMode(SDLPollEvent::NormalMode);
    hideBindingOverlays();
    if (listIsStale())
        applyMappingChanges();
}

void MainWindow::on_skipButton_clicked()
{
    SDLPollEvent::pushSkip();
}

void MainWindow::on_previousButton_clicked()
{
    SDLPollEvent::pushPrevious();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    QCoreApplication::quit();
}

// ---- clipboard and environment commands ----

void MainWindow::on_copyIdButton_clicked()
{
    if (!m_pJoystick)
        return;
    const QByteArray guidText = selectedPad().guid;
    const char* controllerName = m_pGameController ? SDL_GameControllerName(m_pGameController) : "";
    const QByteArray name(controllerName ? controllerName : "");
    QGuiApplication::clipboard()->setText(QString::fromUtf8(guidText), QClipboard::Clipboard);
    logMessage(formatText("The GUID for \"%s\" is \"%s\"", name.constData(), guidText.constData()));
    showInformation(
        QString::fromUtf8(formatText("The GUID for \"%s\" copied to a clipboard buffer", name.constData())));
}

void MainWindow::on_copyBindingsButton_clicked()
{
    if (!m_pGameController)
        return;
    const char* controllerName = SDL_GameControllerName(m_pGameController);
    const QByteArray name(controllerName ? controllerName : "");
    const QByteArray mappingText = selectedMappingLine();
    QGuiApplication::clipboard()->setText(QString::fromUtf8(mappingText), QClipboard::Clipboard);
    logMessage(formatText("Mapping string for \"%s\" is \"%s\"", name.constData(), mappingText.constData()));
    showInformation(QString::fromUtf8(
        formatText("Mapping string for \"%s\" copied to a clipboard buffer", name.constData())));
}

// The line the set command stores for the selected pad.
QString MainWindow::userEnvironmentPath() const
{
    return userEnvironmentFile(m_settings.configHome);
}

bool MainWindow::envVarSaved() const
{
    return fileAssignsEnvVar(m_settings.environmentFile, kEnvVarName) ||
           fileAssignsEnvVar(userEnvironmentPath(), kEnvVarName);
}

void MainWindow::on_setEnvVarButton_clicked()
{
    if (!m_pGameController)
        return;
    // Root writes the system-wide file as ever; anyone else gets the per-user file, which needs no root.
    const bool systemWide = m_settings.runningAsRoot;
    const QByteArray userFile = QFile::encodeName(userEnvironmentPath());
    QMessageBox box;
    box.setText(QString::fromUtf8(kProductLabel));
    if (systemWide)
        box.setInformativeText(
            "This will set mapping for current gamepad as environment variable "
            "\"SDL_GAMECONTROLLERCONFIG\", so all SDL2 games will pick this mapping automatically. "
            "Continue?");
    else
        box.setInformativeText(QString::fromUtf8(formatText(
            "This will set mapping for current gamepad as environment variable \"%s\" for your user, in "
            "%s, so all SDL2 games you start after your next login will pick this mapping automatically "
            "(games started before that, or from a terminal that reads nothing else, will not see it). "
            "Continue?",
            kEnvVarName, userFile.constData())));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setIcon(QMessageBox::Information);
    if (box.exec() != QMessageBox::Yes)
        return;
    const QByteArray mappingText = selectedMappingLine();
    logMessage(
        formatText("Setting environment variable \"%s\" to \"%s\"", kEnvVarName, mappingText.constData()));
    QString error;
    const bool saved =
        systemWide ? setSystemEnvVar(kEnvVarName, mappingText.constData(), m_settings.environmentFile, &error)
                   : setUserEnvVar(kEnvVarName, mappingText.constData(), userEnvironmentPath(), &error);
    if (!saved) {
        const QByteArray reason = error.toUtf8();
        logMessage(formatText("Error: %s", reason.constData()));
        showInformation(systemWide
                            ? QString::fromUtf8(formatText("%s. Run 'sudo stickwell'", reason.constData()))
                            : error);
        return;
    }
    if (!systemWide)
        logMessage(formatText("Saved for your user in %s; it takes effect at your next login",
                              userFile.constData()));
    ui->resetEnvVarButton->setEnabled(true);
}

void MainWindow::on_resetEnvVarButton_clicked()
{
    const bool root = m_settings.runningAsRoot;
    const EnvResetOutcome outcome =
        resetEnvVarForSessions(kEnvVarName, m_settings.environmentFile, userEnvironmentPath(), root);
    logMessage(formatText("Resetting environment variable \"%s\"", kEnvVarName));
    if (!outcome.error.isEmpty()) {
        const QByteArray reason = outcome.error.toUtf8();
        logMessage(formatText("Error: %s", reason.constData()));
        showInformation(outcome.needsRoot
                            ? QString::fromUtf8(formatText("%s. Run 'sudo stickwell'", reason.constData()))
                            : outcome.error);
        ui->resetEnvVarButton->setEnabled(envVarSaved());
        return;
    }
    showInformation(root ? QString("You might need to restart your computer for the changes to take effect")
                         : QString("The change takes effect at your next login"));
    ui->resetEnvVarButton->setEnabled(envVarSaved());
}
