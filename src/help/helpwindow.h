#pragma once
#include <QDialog>

class QListWidget;
class QTextBrowser;
class QTextBlock;

// The operator's guide: the list of its sections on the left, the text on the
// right, opened at one section.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(const QString& section = QString(), QWidget* parent = nullptr);

    // Puts the section with this heading at the top of the text (the guide's
    // beginning when there is no such heading).
    void showSection(const QString& heading);
    // The heading of the section that holds the text cursor.
    QString currentSection() const;
    // Every heading of the guide, in order.
    QStringList headings() const;
    // Whether the heading's first line is inside the visible part of the text.
    bool headingVisible(const QString& heading) const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    QTextBlock headingBlock(const QString& heading) const;
    void scrollToSection();

    QListWidget* m_sections;
    QTextBrowser* m_text;
    QString m_section;
};
