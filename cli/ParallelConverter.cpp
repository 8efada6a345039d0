#include "cli/ParallelConverter.h"

#include "convert/CollisionGroups.h"
#include "convert/ConversionContext.h"
#include "convert/ConversionStep.h"
#include "platform/OpenFiles.h"
#include "platform/WorkFolder.h"
#include "protocol/Automation.h"

#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <limits>
#include <memory>
#include <utility>

namespace {
// Descriptors one job may hold at once: its thread's event loop, two component servers with
// their pipes, the script it waits for, and the files of a copy; with room to spare.
constexpr long long DescriptorsPerJob = 16;
// Kept for the main thread, the libraries and the standard streams.
constexpr long long DescriptorsReserved = 64;

} // namespace

// One conversion thread's share: its working folder, its component servers and its context,
// all created in and used only by that thread.
class ConversionWorker : public QObject {
    Q_OBJECT
public:
    ConversionWorker(int number, const ParallelConverter::Setup& setup, UserInterface& ui,
                     PasswordRing& passwords)
        : m_number(number), m_setup(setup), m_ui(ui), m_passwords(passwords),
          m_view(setup.outputFolder, setup.resolution, setup.pages) {}

    void convert(int index, const QString& path) {
        prepare();
        const auto part = m_setup.partRequests.find(index);
        m_context->request = part != m_setup.partRequests.end() ? &part->second
                             : m_setup.request                  ? &*m_setup.request
                                                                : nullptr;
        m_context->progress.expected = [this, index](int pages) { emit expected(index, pages); };
        m_context->progress.written = [this, index](int pages) { emit written(index, pages); };
        const ConversionOutcome outcome =
            ConvertOnePdf(&m_setup.methods[m_setup.method], path, *m_context, m_passwords);
        m_context->progress = {};
        emit done(m_number, index, outcome);
    }

signals:
    void done(int worker, int index, const ConversionOutcome& outcome);
    void expected(int index, int pages);
    void written(int index, int pages);

private:
    void prepare() {
        if (m_context)
            return;
        m_workFolder = std::make_unique<WorkFolder>();
        m_automation = std::make_unique<AutomationHost>(m_setup.programFolder);
        m_context = std::make_unique<ConversionContext>(ConversionContext{
            m_view, m_ui, m_setup.programFolder, m_workFolder->path(), m_automation.get()});
        m_context->request = m_setup.request ? &*m_setup.request : nullptr;
    }

    int m_number;
    ParallelConverter::Setup m_setup;
    UserInterface& m_ui;
    PasswordRing& m_passwords;
    FixedConversionView m_view;
    std::unique_ptr<WorkFolder> m_workFolder;
    std::unique_ptr<AutomationHost> m_automation;
    std::unique_ptr<ConversionContext> m_context;
};

ParallelConverter::ParallelConverter(Setup setup, UserInterface& ui, QObject* parent)
    : QObject(parent), m_setup(std::move(setup)), m_ui(ui), m_passwords(m_setup.passwords) {
    qRegisterMetaType<ConversionOutcome>();
    m_jobLimit = std::min(std::max(1, m_setup.jobs), jobsWithinOpenFiles(openFileLimit()));
}

int ParallelConverter::jobsWithinOpenFiles(long long openFiles) {
    const long long jobs = (openFiles - DescriptorsReserved) / DescriptorsPerJob;
    return static_cast<int>(std::clamp<long long>(jobs, 1, std::numeric_limits<int>::max()));
}

bool ParallelConverter::addWorker() {
    auto* thread = new QThread(this);
    thread->start();
    if (!thread->isRunning()) { // the system refused another thread
        delete thread;
        return false;
    }
    auto* worker =
        new ConversionWorker(static_cast<int>(m_workers.size()), m_setup, m_ui, m_passwords);
    worker->moveToThread(thread);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(worker, &ConversionWorker::done, this, &ParallelConverter::onWorkerDone);
    connect(worker, &ConversionWorker::expected, this,
            [this](int index, int pages) { emit pagesExpected(index + 1, pages); });
    connect(worker, &ConversionWorker::written, this,
            [this](int index, int pages) { emit pagesWritten(index + 1, pages); });
    m_threads.push_back(thread);
    m_workers.push_back(worker);
    m_workerBusy.push_back(false);
    return true;
}

// An idle worker, started now when every running one is busy and the limit allows; -1 when
// none is free.
int ParallelConverter::idleWorker() {
    const auto idle = std::find(m_workerBusy.begin(), m_workerBusy.end(), false);
    if (idle != m_workerBusy.end())
        return static_cast<int>(idle - m_workerBusy.begin());
    if (static_cast<int>(m_workers.size()) >= m_jobLimit)
        return -1;
    if (!addWorker()) { // out of threads: go on with those there are
        m_jobLimit = std::max(1, static_cast<int>(m_workers.size()));
        m_threadsUnavailable = m_workers.empty();
        return -1;
    }
    return static_cast<int>(m_workers.size()) - 1;
}

ParallelConverter::~ParallelConverter() {
    for (QThread* thread : m_threads) {
        thread->quit();
        thread->wait();
    }
}

const QList<ConversionOutcome>& ParallelConverter::run(const QStringList& pdfs) {
    m_pdfs = pdfs;
    m_outcomes = QList<ConversionOutcome>(pdfs.size());
    m_done = 0;
    m_running = 0;
    planGroups();
    if (pdfs.isEmpty())
        return m_outcomes;
    QEventLoop loop;
    connect(this, &ParallelConverter::ended, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    dispatch();
    endIfIdle();
    loop.exec();
    return m_outcomes;
}

void ParallelConverter::stop() {
    m_stopping = true;
    endIfIdle();
}

void ParallelConverter::endIfIdle() {
    if (m_running > 0)
        return;
    if (m_done == static_cast<int>(m_pdfs.size()) || m_stopping || m_threadsUnavailable)
        emit ended();
}

void ParallelConverter::planGroups() {
    std::vector<QStringView> bases;
    bases.reserve(m_pdfs.size());
    for (const QString& pdf : std::as_const(m_pdfs))
        bases.push_back(PdfBaseNameView(pdf));
    const std::vector<int> groups = CollisionGroupsOf(bases);
    m_nextInGroup.assign(groups.size(), -1);
    m_ready.clear();
    // Walking the list backwards, the last member seen of each group is the next one after
    // the current position.
    std::vector<int> lastSeen(groups.size(), -1);
    for (int index = static_cast<int>(groups.size()) - 1; index >= 0; --index) {
        m_nextInGroup[index] = std::exchange(lastSeen[groups[index]], index);
        if (groups[index] == index)
            m_ready.insert(index);
    }
}

void ParallelConverter::dispatch() {
    if (m_stopping)
        return;
    while (!m_ready.empty()) {
        const int worker = idleWorker();
        if (worker < 0)
            break;
        const int index = *m_ready.begin();
        m_ready.erase(m_ready.begin());
        start(worker, index);
    }
}

void ParallelConverter::start(int worker, int index) {
    m_workerBusy[worker] = true;
    ++m_running;
    emit conversionStarted(index + 1, static_cast<int>(m_pdfs.size()), m_pdfs[index]);
    ConversionWorker* target = m_workers[worker];
    const QString path = m_pdfs[index];
    QMetaObject::invokeMethod(
        target, [target, index, path]() { target->convert(index, path); }, Qt::QueuedConnection);
}

void ParallelConverter::onWorkerDone(int worker, int index, const ConversionOutcome& outcome) {
    m_workerBusy[worker] = false;
    --m_running;
    m_outcomes[index] = outcome;
    ++m_done;
    if (m_nextInGroup[index] >= 0)
        m_ready.insert(m_nextInGroup[index]);
    const int count = static_cast<int>(m_pdfs.size());
    emit conversionOutcome(index + 1, count, m_pdfs[index], outcome);
    dispatch();
    endIfIdle();
}

#include "ParallelConverter.moc"
