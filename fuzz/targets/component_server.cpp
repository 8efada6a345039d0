// The server's request handling with a stand-in class that can answer every way a real one
// does: values, failures with and without a fault, refusals, new objects, and the end of the
// server. An input is the server's standard input: one request a line.
#include "ComponentServer.h"
#include "FuzzSupport.h"
#include "protocol/Wire.h"

#include <QJsonDocument>

#include <cmath>

namespace {

class StandIn : public ComponentObject {
public:
    ComponentReply set(const QString& name, const QJsonValue& value) override {
        if (value.isNull())
            return ComponentReply::failure(Fault::BadArgument, QStringLiteral("no value"));
        m_values.insert(name, value);
        return {};
    }
    ComponentReply get(const QString& name) override {
        if (!m_values.contains(name))
            return ComponentReply::failure(Fault::None, name); // the server names the fault
        return ComponentReply::value(m_values.value(name));
    }
    ComponentReply call(const QString& name, const QJsonArray& args) override {
        const Fault fault = faultFromName(args.at(0).toString());
        if (name == QLatin1String("make"))
            return ComponentReply::object(std::make_unique<StandIn>());
        if (name == QLatin1String("fail"))
            return ComponentReply::failure(fault, args.at(1).toString());
        if (name == QLatin1String("end") || name == QLatin1String("refuse")) {
            ComponentReply reply = ComponentReply::value(name == QLatin1String("end"));
            reply.endServer = name == QLatin1String("end");
            reply.fault = reply.endServer ? Fault::None : fault;
            reply.error = args.at(1).toString();
            return reply;
        }
        return ComponentReply::value(args);
    }

private:
    QJsonObject m_values;
};

// The id a client would have given the request: a whole number above 0; 0 otherwise.
qint64 clientId(const QByteArray& request) {
    const QJsonValue id = QJsonDocument::fromJson(request).object().value(Wire::kId);
    const double v = id.toDouble();
    return id.isDouble() && v >= 1 && v < 9.0e15 && v == std::trunc(v) ? qint64(v) : 0;
}

void checkAnswer(const QByteArray& request, const QByteArray& answerLine) {
    if (answerLine.contains('\n'))
        broken("an answer is one line");
    const QJsonDocument doc = QJsonDocument::fromJson(answerLine);
    const QJsonObject answer = doc.object();
    if (!doc.isObject() || !answer.value(Wire::kOk).isBool())
        broken("an answer is a JSON object that says whether the request succeeded");
    const QString code = answer.value(Wire::kCode).toString();
    if (!answer.value(Wire::kOk).toBool() && faultName(faultFromName(code)) != code)
        broken("a failure names a fault the client knows");
    const qint64 id = clientId(request);
    if (id > 0 && answer.value(Wire::kId).toInteger() != id)
        broken("an answer carries the id of its request");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ComponentClasses classes;
    classes[QStringLiteral("fuzz.standin")] = [] { return std::make_unique<StandIn>(); };
    ComponentServer server(std::move(classes));
    for (const QByteArray& line : splitLines(data, size)) {
        if (server.ended())
            break;
        if (line.isEmpty())
            continue; // the request loop skips empty lines
        checkAnswer(line, server.handle(line));
    }
    return 0;
}
