#pragma once

#include "convert/ConversionMethod.h"
#include "convert/MethodTable.h"
#include "convert/PasswordAttempts.h"
#include "platform/UserInterface.h"

#include <QObject>

#include <memory>
#include <optional>

class FileListModel;
struct ConversionContext;

// What the driver needs of the window beyond the list: the selected method, the progress bar
// and the window's pointer.
class DriverWindow : public WindowPointer {
public:
    virtual std::optional<ConversionMethod> selectedMethod() const = 0;
    virtual void setProgress(float value) = 0;
};

// "Convert!": walks the file list from the first entry to the last, hands each path to the
// procedure of the method selected at that moment, warns for every PDF that gave no JPG or
// stopped part way (the reason in the box's details) and ends with "Done.". A PDF that needs a
// password is asked for one; passwords typed in a run are tried first on the next protected
// PDFs of the same run. The waits inside the procedures keep the event loop running, so other
// handlers may run during a batch; the list stays frozen and a second run is refused until the
// batch ends. A stop asked for during a batch lets the entry under way finish and begins no
// further one; the batch then ends as every batch ends.
class BatchDriver : public QObject {
    Q_OBJECT
public:
    // Completed: every entry was taken; Stopped: a stop ended the run before the last entry.
    enum class Outcome { Ignored, NoFiles, Completed, Stopped };

    BatchDriver(FileListModel& list, DriverWindow& window, ConversionContext& context,
                MethodTable methods = {}, QObject* parent = nullptr);

    Outcome run();
    bool isRunning() const { return m_running; }

    // Asked during a run: the entry under way finishes (with its warning, if it gives no JPG),
    // no further entry begins and none not begun is warned about; "Done." ends the run as
    // usual. Outside a run it does nothing.
    void requestStop();
    bool stopRequested() const { return m_stopRequested; }

    static inline const QString NoFilesMessage = QStringLiteral("No files added.");
    static inline const QString DoneMessage = QStringLiteral("Done.");
    static inline const QString FailurePrefix = QStringLiteral("Could not create JPG on ");
    static inline const QString FailureCaption = QStringLiteral("Could not create JPG");

signals:
    void entryStarted(int position, int count, const QString& path);
    // What the entry gave: the images written and, when not all, the reason.
    void entryOutcome(int position, const QString& path, const ConversionOutcome& outcome);

private:
    void warnIfIncomplete(const QString& path, const ConversionOutcome& outcome);
    void finish();

    FileListModel& m_list;
    DriverWindow& m_window;
    ConversionContext& m_context;
    MethodTable m_methods;
    std::unique_ptr<PasswordRing> m_passwords; // the passwords typed during this run
    bool m_running = false;
    bool m_stopRequested = false;
};
