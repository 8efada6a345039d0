#pragma once

#include "convert/BatchDriver.h"

// A window for the driver that always has one method selected and ignores the bar and the
// pointer: enough to run the driver headless.
class MethodWindow : public DriverWindow {
public:
    explicit MethodWindow(ConversionMethod method) : m_method(method) {}
    std::optional<ConversionMethod> selectedMethod() const override { return m_method; }
    void setProgress(float) override {}
    MousePointer windowPointer() const override { return MousePointer::Default; }
    void setWindowPointer(MousePointer) override {}

private:
    ConversionMethod m_method;
};
