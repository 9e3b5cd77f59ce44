#pragma once
#include "registers/registermember.h"
#include "testapp.h"

#include "data/query.h"

#include <QDialog>
#include <QHeaderView>
#include <QTableView>
#include <QToolButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

Q_DECLARE_METATYPE(RegisterKind)

namespace RegisterFixture {

// Rows of a register given as (code, name); the other columns take their defaults.
inline void seed(const TestDb& db, const RegisterMember& m, const QList<QPair<QString, QString>>& rows)
{
    for (const auto& r : rows)
        db.exec(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES ('%4', '%5')")
                    .arg(m.table, m.codeColumn, m.nameColumn, r.first, r.second));
}

inline QString currentCode(AppContext& ctx, const RegisterMember& m)
{
    return m.listQuery(ctx.data).text(m.codeColumn);
}

template <class T>
T* child(QWidget& w, const QString& name)
{
    T* c = w.findChild<T*>(name);
    if (!c)
        QTest::qFail(qPrintable(QStringLiteral("%1 has no %2").arg(w.objectName(), name)), __FILE__, __LINE__);
    return c;
}

inline void click(QWidget& w, const QString& button)
{
    if (QPushButton* b = child<QPushButton>(w, button))
        b->click();
}

inline QString text(QWidget& w, const QString& control)
{
    if (auto* l = w.findChild<QLabel*>(control))
        return l->text();
    if (auto* e = w.findChild<QLineEdit*>(control))
        return e->text();
    QTest::qFail(qPrintable(QStringLiteral("%1 has no %2").arg(w.objectName(), control)), __FILE__, __LINE__);
    return QString();
}

inline void setText(QWidget& w, const QString& control, const QString& value)
{
    if (auto* e = child<QLineEdit>(w, control))
        e->setText(value);
}

// A click on the title of the grid column showing `field`.
inline void clickTitle(QWidget& w, const RegisterMember& m, const QString& field)
{
    auto* grid = child<QTableView>(w, QStringLiteral("DBGrid1"));
    for (int i = 0; i < m.columns.size(); ++i)
        if (m.columns[i].field == field)
            emit grid->horizontalHeader()->sectionClicked(i);
}

inline void addMembers()
{
    QTest::addColumn<RegisterKind>("kind");
    QTest::newRow("plates") << RegisterKind::Plates;
    QTest::newRow("producers") << RegisterKind::Producers;
    QTest::newRow("crops") << RegisterKind::Crops;
    QTest::newRow("warehouses") << RegisterKind::Warehouses;
}

} // namespace RegisterFixture
