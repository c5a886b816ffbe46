#ifndef MAPPINGSESSION_H
#define MAPPINGSESSION_H
// The wizard, the single-control fix and trying a similar pad's line: owns the input worker and its
// thread, knows which mode the session is in, and takes a finished capture or a kept line to its final
// line and to the store. What the window shows (the lit row, the step, the mode) comes out as signals;
// questions go through Dialogs.

#include "bindingtable.h"
#include "capturedbindings.h"
#include "mappingline.h"
#include "mappingstore.h"
#include "relativetrial.h"

#include <QObject>
#include <QString>
#include <SDL.h>
#include <optional>

class Dialogs;
class PadRoster;
class QThread;
class SDLPollEvent;

class MappingSession : public QObject
{
    Q_OBJECT
public:
    // Idle: the worker reports held controls and hot-plug. Wizard: it captures every row of a new
    // mapping. Recapture: it captures one row of the selected pad's mapping (or of the line being tried)
    // again. Trial: a relative's line is tried on the selected pad; the worker reports held controls, and
    // the list waits until the line is kept or discarded.
    enum class Mode { Idle, Wizard, Recapture, Trial };

    // Creates the worker on a thread of its own; start() begins its first run. roster, store and
    // dialogs must outlive the session.
    MappingSession(PadRoster& roster, MappingStore& store, Dialogs& dialogs, QObject* parent = nullptr);
    // Stops the worker, waiting for its run to end, and deletes it and its thread.
    ~MappingSession() override;

    // Enters Idle: modeChanged(), then the worker's first run.
    void start();
    Mode mode() const { return m_mode; }
    // The rows the wizard steps through: STANDARD_ROWS, or BINDING_ROWS with the extra controls.
    int wizardRows() const { return m_iWizardRows; }

    // "Create A New Mapping": the introduction (with the extra controls as its option), then the
    // wizard on the selected pad.
    void startWizard();
    // The wizard over the first rows rows of the binding table, without the introduction.
    void beginWizard(int rows);
    // Captures binding-table row again on the selected pad, the rest of its own line kept. Only in Idle
    // and for a pad with a line of its own (PadRoster::mappingLine), or in Trial, where the fix changes
    // the line being tried and nothing is written. Returns whether the capture started.
    bool startRecapture(int row);
    // The wizard's buttons: Skip and Previous go to the running capture, Cancel ends it and keeps
    // nothing (the list is rebuilt when pads came or went meanwhile). Cancel of a fix while trying goes
    // back to the trial; in Trial, it discards the line being tried.
    void skip();
    void previous();
    void cancel();

    // Tries relative index of the selected pad (PadRoster::relatives()) for this run only: its line is
    // registered for the pad's own GUID (RelativeTrial), the pad is opened with it and the session enters
    // Trial. Only in Idle. Returns whether the trial started; why not is logged and told.
    bool tryRelative(int index);
    // What the status line says while trying: which line, and what to do next.
    QString trialStatus() const { return m_sTrialStatus; }
    // Keep: the name dialog, the tried line's name suggested, then the line (with its fixes) stored as a
    // new mapping for the pad's own GUID, and Idle. A cancelled name dialog goes on trying.
    void keepTrial();
    // Discard: SDL applies to the pad what it applied before the trial, and Idle; nothing was written.
    void discardTrial();
    // For a pad that SDL maps by a line none of the sources holds (SdlLineCheck::SdlOnly, e.g. a similar
    // pad's that SDL 2.26 and later apply): the name dialog, then that line stored for the pad's own GUID,
    // so that every SDL version finds it. Only in Idle; returns whether it was stored.
    bool keepSdlLine();

    // After mappings or pads changed: stops the worker, rebuilds the list keeping the selected pad
    // (wherever its row is now) and restarts the worker in the current mode.
    void applyMappingChanges();

    // For tests: the worker and its thread.
    SDLPollEvent* worker() const { return m_pWorker; }
    QThread* thread() const { return m_pThread; }

signals:
    // The session entered mode (also when it restarts the worker in the same mode).
    void modeChanged(MappingSession::Mode mode);
    // A highlight goes on or off: a held control, or the row a capture waits for.
    void rowLit(int row, bool lit);
    // A capture reached row; status says so ("Step 3 of 25: X (left face button)").
    void stepChanged(int row, const QString& status);
    // A finished mapping was stored; the list is rebuilt right after.
    void stored(const StoreResult& result);
    // One user-visible line for the log, as the window writes it.
    void logged(const QString& line);

private slots:
    void highlight(int row, bool lit);
    void captured(const CapturedBindings& capture);
    void padAdded(int deviceIndex);
    void padRemoved(int instance);

private:
    void enter(Mode mode);
    void restartWorker();
    // The pad went during a capture or a trial: back to Idle (the trial discarded), a true list, and a
    // message.
    void abandon();
    // The name dialog, offering suggested as the dialog takes it, until a name is accepted; nothing when
    // it is cancelled.
    std::optional<QString> askName(const char* suggested);
    void storeNewMapping(const CapturedInput bindings[BINDING_ROWS]);
    // A finished fix of the line being tried: the changed line is registered, nothing written.
    void fixTrial(const CapturedInput bindings[BINDING_ROWS]);
    // The one way to a final line: base (the pad's GUID and the typed name for a new mapping, the pad's own
    // line for a fix) with the captured bindings, then kept (binding fields no row stands for), with
    // pad's CRC, in the portable form.
    QByteArray finalLine(MappingLine base, const CapturedInput bindings[BINDING_ROWS],
                         const QList<QByteArray>& kept, const PadIdentity& pad);
    void storeLine(const QByteArray& line, const PadIdentity& pad);
    void log(const char* text);

    PadRoster& m_roster;
    MappingStore& m_store;
    Dialogs& m_dialogs;
    QThread* m_pThread;
    SDLPollEvent* m_pWorker;
    Mode m_mode = Mode::Idle;
    int m_iWizardRows = STANDARD_ROWS;
    // A single-control capture: its row, the line it changes, that line's bindings as the capture holds
    // them, and its binding fields that no row stands for.
    int m_iRecaptureRow = -1;
    MappingLine m_recapture;
    CapturedInput m_recaptureBindings[BINDING_ROWS] = {};
    QList<QByteArray> m_recaptureKept;
    bool m_bFixingTrial = false; // the single-control capture fixes the line being tried
    RelativeTrial m_trial;
    QString m_sTrialStatus;
};

#endif
