#include "AcroObjects.h"

#include "protocol/Wire.h"

namespace {

using Component::isMember;

constexpr double kExportDpi = 150.0;

ComponentReply unknownMember(const QString& owner, const QString& name) {
    return ComponentReply::failure(Fault::BadArgument,
                                   QStringLiteral("%1 has no member \"%2\"").arg(owner, name));
}

} // namespace

ComponentReply AcroApp::set(const QString& name, const QJsonValue&) {
    return unknownMember(Component::kAcroApp, name);
}

ComponentReply AcroApp::get(const QString& name) {
    return unknownMember(Component::kAcroApp, name);
}

ComponentReply AcroApp::call(const QString& name, const QJsonArray&) {
    if (!isMember(name, Component::kExit))
        return unknownMember(Component::kAcroApp, name);
    ComponentReply reply = ComponentReply::value(true);
    reply.endServer = true;
    return reply;
}

AcroDocument::AcroDocument() : m_engine(std::make_shared<PdfEngine>()) {}

ComponentReply AcroDocument::set(const QString& name, const QJsonValue&) {
    return unknownMember(Component::kAcroDocument, name);
}

ComponentReply AcroDocument::get(const QString& name) {
    return unknownMember(Component::kAcroDocument, name);
}

ComponentReply AcroDocument::call(const QString& name, const QJsonArray& args) {
    if (isMember(name, Component::kOpen))
        return open(args);
    if (isMember(name, Component::kGetJSObject)) {
        if (!m_engine->hasDocument())
            return ComponentReply::failure(Fault::BadArgument,
                                           QStringLiteral("No document is open."));
        return ComponentReply::object(std::make_unique<AcroScriptObject>(m_engine));
    }
    if (isMember(name, Component::kClose)) {
        m_engine->closeDocument();
        return ComponentReply::value(true);
    }
    return unknownMember(Component::kAcroDocument, name);
}

// Answers true or false, as the application's Open does; a false answer carries the fault
// and the reason beside it.
ComponentReply AcroDocument::open(const QJsonArray& args) {
    if (args.isEmpty() || args.size() > 2 || !args.at(0).isString() ||
        (args.size() == 2 && !args.at(1).isString()))
        return ComponentReply::failure(Fault::BadArgument,
                                       QStringLiteral("Open takes a path and a password"));
    const EngineOutcome outcome =
        m_engine->openDocument(args.at(0).toString(), args.at(1).toString());
    ComponentReply reply = ComponentReply::value(outcome.ok());
    reply.fault = outcome.fault;
    reply.error = outcome.error;
    return reply;
}

AcroScriptObject::AcroScriptObject(std::shared_ptr<PdfEngine> engine)
    : m_engine(std::move(engine)) {}

ComponentReply AcroScriptObject::set(const QString& name, const QJsonValue&) {
    return unknownMember(QStringLiteral("the document's scripting object"), name);
}

ComponentReply AcroScriptObject::get(const QString& name) {
    return unknownMember(QStringLiteral("the document's scripting object"), name);
}

ComponentReply AcroScriptObject::call(const QString& name, const QJsonArray& args) {
    if (!isMember(name, Component::kSaveAs))
        return unknownMember(QStringLiteral("the document's scripting object"), name);
    if (args.size() != 2 || !args.at(0).isString() || !args.at(1).isString())
        return ComponentReply::failure(Fault::BadArgument,
                                       QStringLiteral("SaveAs takes a path and a conversion"));
    if (args.at(1).toString() != Component::kJpegConversion)
        return ComponentReply::failure(
            Fault::BadArgument,
            QStringLiteral("conversion \"%1\" is not supported").arg(args.at(1).toString()));
    return saveAs(args.at(0).toString());
}

ComponentReply AcroScriptObject::saveAs(const QString& path) {
    if (!m_engine->hasDocument())
        return ComponentReply::failure(Fault::BadArgument,
                                       QStringLiteral("The document is closed."));
    const int pages = m_engine->pageCount();
    m_engine->setLastPage(pages); // every page is saved: render ahead up to the last
    for (int page = 1; page <= pages; ++page) {
        EngineOutcome outcome = m_engine->loadPage(page, kExportDpi);
        if (outcome.ok())
            outcome = m_engine->saveJpeg(exportPagePath(path, page, pages));
        if (!outcome.ok())
            return ComponentReply::failure(outcome.fault, outcome.error);
    }
    return ComponentReply::value(true);
}

QString exportPagePath(const QString& path, int pageNumber, int pageCount) {
    if (pageCount == 1)
        return path;
    QString stem = path;
    if (stem.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive))
        stem.chop(4);
    return stem + QStringLiteral("_Page_") + QString::number(pageNumber) + QStringLiteral(".jpg");
}

ComponentClasses acroClasses() {
    return {{QString(Component::kAcroApp).toLower(), [] { return std::make_unique<AcroApp>(); }},
            {QString(Component::kAcroDocument).toLower(),
             [] { return std::make_unique<AcroDocument>(); }}};
}
