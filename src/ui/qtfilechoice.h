#pragma once
#include "context/filechoice.h"

class QWidget;

// File and folder dialogs of the running program.
class QtFileChoice : public FileChoice {
public:
    explicit QtFileChoice(QWidget* parent = nullptr) : m_parent(parent) { }
    void setParent(QWidget* parent) { m_parent = parent; }

    QString saveFile(const QString& caption, const QString& proposed, const QString& filter) override;
    QString openFile(const QString& caption, const QString& folder, const QString& filter) override;
    QString folder(const QString& caption, const QString& folder) override;

private:
    QWidget* m_parent;
};
