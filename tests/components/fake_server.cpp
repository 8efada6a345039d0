// A stand-in component server for fault tests. "GflAx.GflAx" dies inside LoadBitmap when the
// path contains "crash", never answers when it contains "hang", prints a stray line on its
// standard output when it contains "chatter", answers with a line that is not JSON when it
// contains "garble", and otherwise writes a small file on saveBitmap, dying halfway through
// (with a temporary file in the folder) when the path contains "die-saving".
// "AcroExch.app" refuses Exit; its documents export one file. Every LoadBitmap path is added
// to the file PAGEKILN_FAKE_SERVER_LOG names, when set, one a line.
#include "ComponentServer.h"
#include "protocol/PartFile.h"

#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <thread>

#include <unistd.h>

namespace {

bool writeFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("fake image") == 10;
}

void logLoad(const QString& path) {
    QFile log(qEnvironmentVariable("PAGEKILN_FAKE_SERVER_LOG"));
    if (!log.fileName().isEmpty() && log.open(QIODevice::Append))
        log.write(path.toUtf8() + '\n');
}

class FakeGflAx : public ComponentObject {
public:
    ComponentReply set(const QString&, const QJsonValue&) override { return {}; }
    ComponentReply get(const QString&) override { return {}; }
    ComponentReply call(const QString& name, const QJsonArray& args) override {
        const QString path = args.at(0).toString();
        if (name == "loadbitmap")
            logLoad(path);
        if (name == "loadbitmap" && path.contains("crash"))
            std::raise(SIGKILL);
        if (name == "loadbitmap" && path.contains("hang")) {
            for (;;)
                std::this_thread::sleep_for(std::chrono::hours(1));
        }
        if (name == "loadbitmap" && path.contains("chatter")) {
            std::printf("{\"id\": a library talking\n");
            std::fflush(stdout);
        }
        if (name == "loadbitmap" && path.contains("garble")) {
            const char junk[] = "a library talking\n";
            (void)!::write(componentAnswerDescriptor(), junk, sizeof junk - 1);
        }
        if (name == "savebitmap" && path.contains("die-saving")) {
            writeFile(QFileInfo(path).absolutePath() + '/' + partFileName(::getpid(), 1));
            std::raise(SIGKILL);
        }
        if (name == "savebitmap" && !writeFile(path))
            return ComponentReply::failure(Fault::WriteFailed, "cannot write");
        return {};
    }
};

class FakeScript : public ComponentObject {
public:
    ComponentReply set(const QString&, const QJsonValue&) override { return {}; }
    ComponentReply get(const QString&) override { return {}; }
    ComponentReply call(const QString&, const QJsonArray& args) override {
        return writeFile(args.at(0).toString())
                   ? ComponentReply::value(true)
                   : ComponentReply::failure(Fault::WriteFailed, "cannot write");
    }
};

class FakeDocument : public ComponentObject {
public:
    ComponentReply set(const QString&, const QJsonValue&) override { return {}; }
    ComponentReply get(const QString&) override { return {}; }
    ComponentReply call(const QString& name, const QJsonArray&) override {
        if (name == "getjsobject")
            return ComponentReply::object(std::make_unique<FakeScript>());
        return ComponentReply::value(true);
    }
};

class FakeApp : public ComponentObject {
public:
    ComponentReply set(const QString&, const QJsonValue&) override { return {}; }
    ComponentReply get(const QString&) override { return {}; }
    ComponentReply call(const QString&, const QJsonArray&) override {
        return ComponentReply::failure(Fault::Internal, "Exit refused");
    }
};

} // namespace

int main() {
    return runComponentServer(
        {{"gflax.gflax", [] { return std::make_unique<FakeGflAx>(); }},
         {"acroexch.app", [] { return std::make_unique<FakeApp>(); }},
         {"acroexch.pddoc", [] { return std::make_unique<FakeDocument>(); }}});
}
