#pragma once

#include "Prompts.h"

// Prompts as message boxes over the active window.
class WidgetPrompts final : public Prompts {
public:
    bool confirm(const QString &question) override;
    void notify(const QString &message) override;
};
