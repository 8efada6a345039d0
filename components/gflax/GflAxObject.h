#pragma once

#include "ComponentServer.h"
#include "PdfEngine.h"

// "GflAx.GflAx": loads one page of a PDF at a resolution and saves it as a JPEG.
// Properties EpsDpi (resolution), Page (1 = first), Saveformat (1 = JPEG), Password (for
// protected PDFs; empty = none); methods LoadBitmap(path) and saveBitmap(path).
class GflAxObject : public ComponentObject {
public:
    explicit GflAxObject(EngineSettings settings = {});

    ComponentReply set(const QString& name, const QJsonValue& value) override;
    ComponentReply get(const QString& name) override;
    ComponentReply call(const QString& name, const QJsonArray& args) override;

private:
    ComponentReply loadBitmap(const QString& path);
    ComponentReply saveBitmap(const QString& path);

    PdfEngine m_engine;
    double m_dpi = 72.0;
    qint64 m_page = 1;
    qint64 m_saveFormat = 1;
    QString m_password;
};

// The classes this server serves.
ComponentClasses gflaxClasses();
