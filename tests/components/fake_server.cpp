// A stand-in component server for fault tests. "GflAx.GflAx" dies inside LoadBitmap when the
// path contains "crash", never answers when it contains "hang", and otherwise writes a small
// file on saveBitmap. "AcroExch.app" refuses Exit; its documents export one file.
#include "ComponentServer.h"

#include <QFile>

#include <csignal>
#include <thread>

namespace {

bool writeFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("fake image") == 10;
}

class FakeGflAx : public ComponentObject {
public:
    ComponentReply set(const QString&, const QJsonValue&) override { return {}; }
    ComponentReply get(const QString&) override { return {}; }
    ComponentReply call(const QString& name, const QJsonArray& args) override {
        const QString path = args.at(0).toString();
        if (name == "loadbitmap" && path.contains("crash"))
            std::raise(SIGKILL);
        if (name == "loadbitmap" && path.contains("hang")) {
            for (;;)
                std::this_thread::sleep_for(std::chrono::hours(1));
        }
        if (name == "savebitmap" && !writeFile(path))
            return ComponentReply::failure("cannot write");
        return {};
    }
};

class FakeScript : public ComponentObject {
public:
    ComponentReply set(const QString&, const QJsonValue&) override { return {}; }
    ComponentReply get(const QString&) override { return {}; }
    ComponentReply call(const QString&, const QJsonArray& args) override {
        return writeFile(args.at(0).toString()) ? ComponentReply::value(true)
                                                : ComponentReply::failure("cannot write");
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
        return ComponentReply::failure("Exit refused");
    }
};

} // namespace

int main() {
    return runComponentServer(
        {{"gflax.gflax", [] { return std::make_unique<FakeGflAx>(); }},
         {"acroexch.app", [] { return std::make_unique<FakeApp>(); }},
         {"acroexch.pddoc", [] { return std::make_unique<FakeDocument>(); }}});
}
