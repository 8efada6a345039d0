#pragma once

#include "convert/Procedures.h"

#include <QMutex>
#include <QStringList>

// The passwords known in one run: those given up front and those the user typed for an earlier
// PDF of the run, which often share one. Held in memory only, never written anywhere; safe to
// share between conversion threads.
class PasswordRing {
public:
    PasswordRing() = default;
    explicit PasswordRing(const QStringList& passwords);

    void add(const QString& password);
    QStringList passwords() const;

private:
    mutable QMutex m_mutex;
    QStringList m_passwords;
};

// The text of the password question for pdfPath, after a rejected password or not.
QString passwordQuestion(const QString& pdfPath, bool afterRejection);
inline const QString PasswordTitle = QStringLiteral("Password");

// Runs procedure on pdfPath; when the PDF turns out to need a password, tries the ring's
// passwords, then asks the user through context.ui until one opens it or the user cancels. A
// password the user typed that opened the PDF joins the ring. The context holds a password
// only while an attempt runs.
ConversionOutcome convertWithPasswords(const ConversionProcedure& procedure, const QString& pdfPath,
                                       ConversionContext& context, PasswordRing& ring);
