#pragma once

#include "app/Form1.h"
#include "protocol/Automation.h"
#include "support/RecordingUserInterface.h"
#include "support/TestPaths.h"

#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A main window wired to a recording UI and a private settings store, for widget tests.
class FormHarness {
public:
    FormHarness() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    }

    // The raw store, for seeding and checking keys.
    static QSettings store() {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tarnwick"));
    }

    std::unique_ptr<Form1> makeForm(double draw = 0.5) {
        Form1Services services;
        services.ui = &ui;
        services.programFolder = TestPaths::programFolder();
        services.workFolder = m_workDir.path();
        services.automation = &automation;
        services.methods = methods;
        services.random = [draw]() { return draw; };
        services.openHomePage = [this](const QString& address) { homePages.append(address); };
        auto form = std::make_unique<Form1>(std::move(services));
        form->load();
        return form;
    }

    RecordingUserInterface ui;
    QStringList homePages;
    MethodTable methods; // the real procedures unless a test replaces them
    AutomationHost automation{TestPaths::programFolder()};

private:
    QTemporaryDir m_settingsDir;
    QTemporaryDir m_workDir;
};
