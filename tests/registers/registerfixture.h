#pragma once
#include "registers/registermember.h"
#include "testapp.h"
#include "widgets.h"

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

using TestUi::child;
using TestUi::click;
using TestUi::setText;
using TestUi::text;

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

}   // namespace RegisterFixture
