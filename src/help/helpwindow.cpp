#include "helpwindow.h"

#include "help/helpguide.h"

#include <QAbstractTextDocumentLayout>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

HelpWindow::HelpWindow(const QString& section, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Kezelési útmutató"));
    resize(1100, 800);

    m_sections = new QListWidget;
    m_sections->setObjectName(QStringLiteral("sections"));
    m_sections->setToolTip(QStringLiteral("Fejezetek. Kattintásra a fejezethez ugrik."));
    m_sections->setSpacing(2);   // room for the accents of capitals
    m_text = new QTextBrowser;
    m_text->setObjectName(QStringLiteral("guide"));
    m_text->setOpenExternalLinks(false);
    m_text->setMarkdown(HelpGuide::markdown());
    QFont f = m_text->font();
    if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * 1.1);
    m_text->setFont(f);

    for (QTextBlock b = m_text->document()->begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level < 2 || level > 3)
            continue;
        auto* item = new QListWidgetItem((level == 3 ? QStringLiteral("    ") : QString()) + b.text());
        item->setData(Qt::UserRole, b.text());
        m_sections->addItem(item);
    }
    connect(m_sections, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* i) { showSection(i->data(Qt::UserRole).toString()); });
    connect(m_sections, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* i) { showSection(i->data(Qt::UserRole).toString()); });

    auto* split = new QSplitter;
    split->addWidget(m_sections);
    split->addWidget(m_text);
    split->setStretchFactor(1, 1);
    split->setSizes({360, 740});

    auto* buttons = new QDialogButtonBox;
    QPushButton* close = buttons->addButton(QStringLiteral("Bezár"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setToolTip(QStringLiteral("Kilépés, ablak bezárás"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addWidget(buttons);

    showSection(section);
}

QTextBlock HelpWindow::headingBlock(const QString& heading) const
{
    for (QTextBlock b = m_text->document()->begin(); b.isValid(); b = b.next())
        if (b.blockFormat().headingLevel() > 0 && b.text() == heading)
            return b;
    return QTextBlock();
}

QStringList HelpWindow::headings() const
{
    QStringList out;
    for (QTextBlock b = m_text->document()->begin(); b.isValid(); b = b.next())
        if (b.blockFormat().headingLevel() > 0)
            out << b.text();
    return out;
}

void HelpWindow::showSection(const QString& heading)
{
    m_section = heading;
    QTextBlock b = headingBlock(heading);
    if (!b.isValid())
        b = m_text->document()->begin();
    QTextCursor c(b);
    m_text->setTextCursor(c);
    for (int i = 0; i < m_sections->count(); ++i)
        if (m_sections->item(i)->data(Qt::UserRole).toString() == b.text()) {
            QSignalBlocker block(m_sections);
            m_sections->setCurrentRow(i);
        }
    scrollToSection();
}

void HelpWindow::scrollToSection()
{
    const QTextBlock b = m_text->textCursor().block();
    QAbstractTextDocumentLayout* layout = m_text->document()->documentLayout();
    // Lay the text out to its end first, so that the scroll range reaches the
    // last sections too.
    layout->blockBoundingRect(m_text->document()->lastBlock());
    const int top = int(layout->blockBoundingRect(b).top());
    m_text->verticalScrollBar()->setValue(top);
}

void HelpWindow::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // The text is laid out for the window's real width only once it is shown.
    QTimer::singleShot(0, this, [this] { scrollToSection(); });
}

QString HelpWindow::currentSection() const
{
    for (QTextBlock b = m_text->textCursor().block(); b.isValid(); b = b.previous())
        if (b.blockFormat().headingLevel() > 0)
            return b.text();
    return QString();
}

bool HelpWindow::headingVisible(const QString& heading) const
{
    const QTextBlock b = headingBlock(heading);
    if (!b.isValid())
        return false;
    QRectF r = m_text->document()->documentLayout()->blockBoundingRect(b);
    r.translate(0, -m_text->verticalScrollBar()->value());
    return r.top() >= 0 && r.top() < m_text->viewport()->height();
}
