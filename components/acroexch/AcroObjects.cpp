#include "AcroObjects.h"

#include <QJsonArray>

#include "protocol/Wire.h"

namespace {

using Component::isMember;

// A failure of SaveAs with the pages written before it, which stay.
ComponentReply afterPages(ComponentReply failure, const QJsonArray& written) {
    failure.result = written;
    return failure;
}

ComponentReply unknownMember(const QString& owner, const QString& name) {
    return ComponentReply::failure(Fault::BadArgument,
                                   QStringLiteral("%1 has no member %2").arg(owner, echoed(name)));
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

ComponentReply AcroScriptObject::set(const QString& name, const QJsonValue& value) {
    if (std::optional<ComponentReply> chosen = m_choices.set(name, value))
        return std::move(*chosen);
    if (Component::isMember(name, Component::kTargets)) {
        m_targets.clear();
        for (const QJsonValue& target : value.toArray()) {
            if (!target.isString() || target.toString().isEmpty())
                return ComponentReply::failure(Fault::BadArgument,
                                               QStringLiteral("Targets takes an array of paths"));
            m_targets.append(target.toString());
        }
        return {};
    }
    if (!Component::isMember(name, Component::kResolution))
        return unknownMember(QStringLiteral("the document's scripting object"), name);
    if (!value.isDouble() || !(value.toDouble() > 0))
        return ComponentReply::failure(Fault::BadArgument,
                                       QStringLiteral("Resolution takes a number above 0"));
    m_dpi = value.toDouble();
    return {};
}

ComponentReply AcroScriptObject::get(const QString& name) {
    if (std::optional<ComponentReply> chosen = m_choices.get(name))
        return std::move(*chosen);
    if (Component::isMember(name, Component::kResolution))
        return ComponentReply::value(m_dpi);
    if (Component::isMember(name, Component::kPageCount))
        return ComponentReply::value(m_engine->pageCount());
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
            QStringLiteral("conversion %1 is not supported").arg(echoed(args.at(1).toString())));
    return saveAs(args.at(0).toString());
}

// Each page to export with its file: the pages chosen that the document has (every page when
// none were chosen), named as SaveAs names them or as the targets say.
std::vector<std::pair<int, QString>> AcroScriptObject::exports(const QString& path) const {
    const int pages = m_engine->pageCount();
    std::vector<std::pair<int, QString>> chosen;
    if (m_choices.pages().empty()) {
        for (int page = 1; page <= pages; ++page)
            chosen.emplace_back(page, exportPagePath(path, page, pages));
    }
    for (std::size_t i = 0; i < m_choices.pages().size(); ++i) {
        const int page = m_choices.pages()[i];
        if (page <= pages)
            chosen.emplace_back(page, m_targets.isEmpty() ? exportPagePath(path, page, pages)
                                                          : m_targets.at(qsizetype(i)));
    }
    return chosen;
}

ComponentReply AcroScriptObject::saveAs(const QString& path) {
    if (!m_engine->hasDocument())
        return ComponentReply::failure(Fault::BadArgument,
                                       QStringLiteral("The document is closed."));
    if (!m_targets.isEmpty() && m_targets.size() != qsizetype(m_choices.pages().size()))
        return ComponentReply::failure(
            Fault::BadArgument, QStringLiteral("Targets must name a file for each page of Pages"));
    const std::vector<std::pair<int, QString>> chosen = exports(path);
    if (chosen.empty())
        return ComponentReply::failure(Fault::NoPage,
                                       QStringLiteral("The document has %1 pages, none of those "
                                                      "asked for.")
                                           .arg(m_engine->pageCount()));
    std::vector<int> planned;
    for (const auto& [page, target] : chosen)
        planned.push_back(page);
    m_engine->setChoices(m_choices.render());
    m_engine->setPlannedPages(planned); // every page chosen is saved: render them ahead
    QJsonArray written;
    for (const auto& [page, target] : chosen) {
        // A stop ends the call between pages, so that every page written is whole.
        if (takeStopRequest())
            return afterPages(
                ComponentReply::failure(Fault::Interrupted,
                                        QStringLiteral("Stopped as asked after %1 of %2 pages.")
                                            .arg(written.size())
                                            .arg(chosen.size())),
                written);
        EngineOutcome outcome = m_engine->loadPage(page, m_dpi);
        if (outcome.ok())
            outcome = m_engine->saveJpeg(target);
        if (!outcome.ok())
            return afterPages(ComponentReply::failure(outcome.fault, outcome.error), written);
        written.append(target);
        noteSavedPages(int(written.size()));
    }
    return ComponentReply::value(written);
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
