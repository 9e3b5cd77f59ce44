#include "aboutbox.h"

#include <QFont>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

AboutBox::AboutBox(QWidget* parent) : QDialog(parent), m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("TAboutBox"));
    setWindowTitle(QStringLiteral("Betöltés..."));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* lay = new QVBoxLayout(this);
    auto* product = new QLabel(QStringLiteral("Tavrin"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    QFont f = product->font();
    f.setPointSize(f.pointSize() + 10);
    f.setBold(true);
    product->setFont(f);
    product->setAlignment(Qt::AlignCenter);
    auto* sub = new QLabel(QStringLiteral("Mérlegjegy nyilvántartás"), this);
    sub->setAlignment(Qt::AlignCenter);
    auto* year = new QLabel(QStringLiteral("2009."), this);
    year->setObjectName(QStringLiteral("Copyright"));
    year->setAlignment(Qt::AlignCenter);
    lay->addWidget(product);
    lay->addWidget(sub);
    lay->addWidget(year);
    setMinimumSize(320, 180);

    m_timer->setSingleShot(true);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &QDialog::accept);
    m_timer->start();
}
