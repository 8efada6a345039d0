#pragma once

#include "BatchChoices.h"
#include "ComponentServer.h"
#include "PdfEngine.h"

// "GflAx.GflAx": loads one page of a PDF at a resolution and saves it as a JPEG.
// Properties EpsDpi (resolution), Page (1 = first), Saveformat (1 = JPEG), Password (for
// protected PDFs; empty = none), LastPage (the last page the caller will load, so the pages up
// to it are rendered ahead; 0 = unknown), and a batch's choices (BatchChoices: quality,
// colours, box, and the pages it will load, which are rendered ahead); methods
// LoadBitmap(path), saveBitmap(path) and PageCount(path).
class GflAxObject : public ComponentObject {
public:
    explicit GflAxObject(EngineSettings settings = {});

    ComponentReply set(const QString& name, const QJsonValue& value) override;
    ComponentReply get(const QString& name) override;
    ComponentReply call(const QString& name, const QJsonArray& args) override;

    const PdfEngine& engine() const { return m_engine; }

private:
    ComponentReply loadBitmap(const QString& path);
    ComponentReply saveBitmap(const QString& path);
    ComponentReply pageCount(const QString& path);
    ComponentReply setNumber(const QString& name, const QJsonValue& value);

    PdfEngine m_engine;
    double m_dpi = 72.0;
    qint64 m_page = 1;
    qint64 m_saveFormat = 1;
    qint64 m_lastPage = 0;
    QString m_password;
    BatchChoices m_choices;
};

// The classes this server serves.
ComponentClasses gflaxClasses();
