#pragma once

#include "BatchChoices.h"
#include "ComponentServer.h"
#include "PdfEngine.h"

#include <memory>
#include <utility>
#include <vector>

// "AcroExch.app": the application; Exit ends the server once it has answered.
class AcroApp : public ComponentObject {
public:
    ComponentReply set(const QString& name, const QJsonValue& value) override;
    ComponentReply get(const QString& name) override;
    ComponentReply call(const QString& name, const QJsonArray& args) override;
};

// "AcroExch.PDDoc": Open(path[, password]) answers true or false, GetJSObject hands out the
// document's scripting object, Close closes the document.
class AcroDocument : public ComponentObject {
public:
    AcroDocument();
    ComponentReply set(const QString& name, const QJsonValue& value) override;
    ComponentReply get(const QString& name) override;
    ComponentReply call(const QString& name, const QJsonArray& args) override;

private:
    ComponentReply open(const QJsonArray& args);
    std::shared_ptr<PdfEngine> m_engine;
};

// The scripting object of an open document: SaveAs(path, "com.adobe.acrobat.jpeg") writes
// every page at 150 dpi: a one-page document to path itself, otherwise page n to path
// without ".jpg" followed by "_Page_<n>.jpg"; it answers with the paths written. A page that
// fails, or a stop request (takeStopRequest) between pages, fails the call with the paths
// written before as its result. A batch may set Resolution (dpi), its choices (BatchChoices:
// quality, colours, box, pages) and Targets (the file of each page of Pages) first.
class AcroScriptObject : public ComponentObject {
public:
    explicit AcroScriptObject(std::shared_ptr<PdfEngine> engine);
    ComponentReply set(const QString& name, const QJsonValue& value) override;
    ComponentReply get(const QString& name) override;
    ComponentReply call(const QString& name, const QJsonArray& args) override;

private:
    ComponentReply saveAs(const QString& path);
    std::vector<std::pair<int, QString>> exports(const QString& path) const;
    std::shared_ptr<PdfEngine> m_engine;
    double m_dpi = 150.0;
    BatchChoices m_choices;
    QStringList m_targets; // the file of each page of the choices' pages; empty: named here
};

// The file name SaveAs gives page pageNumber of a document of pageCount pages.
QString exportPagePath(const QString& path, int pageNumber, int pageCount);

ComponentClasses acroClasses();
