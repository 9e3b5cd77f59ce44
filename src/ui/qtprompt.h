#pragma once
#include "context/prompt.h"

class QWidget;

class QtPrompt : public Prompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr) : m_parent(parent) { }
    void setParent(QWidget* parent) { m_parent = parent; }
    void message(const QString& text) override;
    void information(const QString& text, const QString& caption) override;
    bool confirm(const QString& text) override;
    void confirmYesOnly(const QString& text) override;
    void error(const QString& text, const QString& caption = QString()) override;

private:
    QWidget* parentWidget() const;
    QWidget* m_parent;
};
