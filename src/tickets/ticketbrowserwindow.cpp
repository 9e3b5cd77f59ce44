#include "ticketbrowserwindow.h"

#include "context/appcontext.h"
#include "context/prompt.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "data/textconv.h"
#include "tickets/ticketlistmodel.h"

#include "ui/controls.h"
#include "ui/dialogkeys.h"
#include "tickets/columnhints.h"
#include "ui/querygrid.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QLineEdit* field(QWidget* parent, const QString& name, int width = 0)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(true);
    if (width > 0)
        e->setMinimumWidth(width);
    return e;
}
}   // namespace

TicketBrowserWindow::TicketBrowserWindow(AppContext& ctx, QWidget* parent)
    : TicketBrowserWindow(ctx, TicketCorrections(), parent)
{
}

TicketBrowserWindow::TicketBrowserWindow(AppContext& ctx, const TicketCorrections& corrections, QWidget* parent)
    : QDialog(parent), m_ctx(ctx), m_list(ctx.data.ZQ21), m_ops(ctx), m_corrections(corrections)
{
    setObjectName(QStringLiteral("TForm17"));
    setWindowTitle(QStringLiteral("Mérlegjegy"));

    m_model = new TicketListModel(m_list, this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setToolTip(QStringLiteral("Dupla klikkre sort megjelenit."));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->hide();
    // Fixed row heights: the view never measures rows it does not show.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setDefaultSectionSize(90);
    ColumnHints::install(m_grid->horizontalHeader());

    auto* nav = new QWidget(this);
    nav->setObjectName(QStringLiteral("DBNavigator1"));
    auto* navLay = new QHBoxLayout(nav);
    navLay->setContentsMargins(0, 0, 0, 0);
    navLay->setSpacing(1);
    auto navButton = [&](const QString& text, const QString& tip, const QString& name) {
        auto* b = new QToolButton(nav);
        b->setText(text);
        b->setToolTip(tip);
        b->setObjectName(name);
        navLay->addWidget(b);
        return b;
    };
    QToolButton* first = navButton(QStringLiteral("|◀"), QStringLiteral("Első"), QStringLiteral("First"));
    QToolButton* prior = navButton(QStringLiteral("◀"), QStringLiteral("Előző"), QStringLiteral("Prior"));
    QToolButton* next = navButton(QStringLiteral("▶"), QStringLiteral("Következő"), QStringLiteral("Next"));
    QToolButton* last = navButton(QStringLiteral("▶|"), QStringLiteral("Utolsó"), QStringLiteral("Last"));
    navLay->addStretch();

    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("PageControl1"));
    tabs->addTab(buildMeasures(), QStringLiteral("Mérés"));
    tabs->addTab(buildColumns(TicketBrowser::dataColumns(),
                         {QStringLiteral("B.szám:"), QStringLiteral("Irány:"), QStringLiteral("Pótos?:"),
                                 QStringLiteral("Dátum:"), QStringLiteral("Be idöpont:"), QStringLiteral("Ki idöpont:"),
                                 QStringLiteral("Megjegy.: "), QStringLiteral("Tisztaság"),
                                 QStringLiteral("Viztartalom"), QStringLiteral("Egy mérés:")}),
            QStringLiteral("Adat"));
    tabs->addTab(buildColumns(TicketBrowser::producerColumns(),
                         {QStringLiteral("Név"), QStringLiteral("Ir.szám"), QStringLiteral("Helységnév"),
                                 QStringLiteral("Utca"), QStringLiteral("Adószám"), QStringLiteral("Bank.szla"),
                                 QStringLiteral("IDo"), QStringLiteral("Kód")}),
            QStringLiteral("Termelö"));
    tabs->addTab(buildColumns(TicketBrowser::plateColumns(),
                         {QStringLiteral("Rendszám"), QStringLiteral("Tara"), QStringLiteral("Név"),
                                 QStringLiteral("Telefon"), QStringLiteral("Cég"), QStringLiteral("Cim"),
                                 QStringLiteral("Ügyintéző"), QStringLiteral("IDr"), QStringLiteral("Kód")}),
            QStringLiteral("Rendszám"));

    QPushButton* pick = makeButton(
            this, QStringLiteral("Button1"), QStringLiteral("Kiválaszt"), QStringLiteral("A jelölt sort megnyitja."));
    QPushButton* print = makeButton(this, QStringLiteral("Button2"), QStringLiteral("Nyomtatás"), QString());
    QPushButton* cancel = makeButton(
            this, QStringLiteral("Button5"), QStringLiteral("Mégsem"), QStringLiteral("Kilépés, ablak bezárás"));
    auto* buttons = new QHBoxLayout;
    // A wrong ticket: voided, or voided and issued again corrected.
    QPushButton* voidButton = makeButton(this, QStringLiteral("VoidButton"), QStringLiteral("Sztornó"),
            QStringLiteral("A jelölt mérlegjegy sztornózása (érvénytelenítése) az okával"));
    QPushButton* reissueButton = makeButton(this, QStringLiteral("ReissueButton"), QStringLiteral("Javítás"),
            QStringLiteral("A jelölt mérlegjegy sztornózása és javított kiadása új számon"));
    voidButton->setEnabled(bool(m_corrections.voidTicket));
    reissueButton->setEnabled(bool(m_corrections.reissue));
    connect(voidButton, &QPushButton::clicked, this, [this] { correct(m_corrections.voidTicket); });
    connect(reissueButton, &QPushButton::clicked, this, [this] { correct(m_corrections.reissue); });
    buttons->addWidget(voidButton);
    buttons->addWidget(reissueButton);
    buttons->addStretch();
    for (QPushButton* b : {pick, print, cancel})
        buttons->addWidget(b);

    // Search: ticket number, plate, date range; the list keeps its order and
    // stands on the first ticket that matches.
    auto* find = new QHBoxLayout;
    auto searchEdit = [&](const QString& caption, const QString& name, const QString& tip, int width) {
        auto* l = new QLabel(caption, this);
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setToolTip(tip);
        e->setMaximumWidth(width);
        l->setBuddy(e);
        find->addWidget(l);
        find->addWidget(e);
        return e;
    };
    m_findTicket = searchEdit(QStringLiteral("B.szám:"), QStringLiteral("SearchTicket"),
            QStringLiteral("A mérlegjegy száma, pontosan"), 110);
    m_findPlate = searchEdit(QStringLiteral("Rendszám:"), QStringLiteral("SearchPlate"),
            QStringLiteral("A rendszám eleje (szóköz és kötőjel nem számít)"), 130);
    m_findFrom = searchEdit(QStringLiteral("Dátum:"), QStringLiteral("SearchFrom"),
            QStringLiteral("Ettől a naptól (éééé.hh.nn), üresen: kezdettől"), 110);
    m_findTo = searchEdit(QStringLiteral("–"), QStringLiteral("SearchTo"),
            QStringLiteral("Eddig a napig (éééé.hh.nn), üresen: végig"), 110);
    m_findFrom->setPlaceholderText(QStringLiteral("éééé.hh.nn"));
    m_findTo->setPlaceholderText(QStringLiteral("éééé.hh.nn"));
    QPushButton* findButton = makeButton(this, QStringLiteral("SearchButton"), QStringLiteral("Keres"),
            QStringLiteral("Az első megfelelő mérlegjegyre áll"));
    QPushButton* findNext = makeButton(this, QStringLiteral("SearchNext"), QStringLiteral("Következő"),
            QStringLiteral("A következő megfelelő mérlegjegyre áll"));
    find->addWidget(findButton);
    find->addWidget(findNext);
    find->addStretch();
    for (QLineEdit* e : {m_findTicket, m_findPlate, m_findFrom, m_findTo}) {
        connect(e, &QLineEdit::returnPressed, this, [this] { search(false); });
        DialogKeys::keepEnter(e);   // Enter there searches
    }
    connect(findButton, &QPushButton::clicked, this, [this] { search(false); });
    connect(findNext, &QPushButton::clicked, this, [this] { search(true); });

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(find);
    lay->addWidget(m_grid, 1);
    lay->addWidget(nav);
    lay->addWidget(tabs);
    lay->addLayout(buttons);

    connect(m_grid, &QTableView::clicked, this, [this] { showDetail(); });
    connect(first, &QToolButton::clicked, this, [this] { moveTo(0); });
    connect(prior, &QToolButton::clicked, this, [this] { moveTo(qMax(0, m_grid->currentIndex().row() - 1)); });
    connect(next, &QToolButton::clicked, this, [this] {
        const int row = m_grid->currentIndex().row() + 1;
        moveTo(row < m_model->rowCount() ? row : m_grid->currentIndex().row());
    });
    connect(last, &QToolButton::clicked, this, [this] { moveTo(m_model->ensureLast()); });
    connect(pick, &QPushButton::clicked, this, [this] { showDetail(); });
    // Enter in the list (it goes on to the window) and a double click pick the row.
    connect(m_grid, &QTableView::doubleClicked, this, [this] { showDetail(); });
    m_grid->setTabKeyNavigation(false);
    DialogKeys::install(this, pick, cancel);
    connect(print, &QPushButton::clicked, this, &TicketBrowserWindow::onPrint);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    openList();
    resize(1100, 760);
}

TicketBrowserWindow::~TicketBrowserWindow()
{
    // The grid goes with the base class, after the list it shows: let it
    // forget the list first.
    m_grid->setModel(nullptr);
    delete m_model;
}

QWidget* TicketBrowserWindow::buildMeasures()
{
    auto* page = new QWidget;
    auto* lay = new QVBoxLayout(page);
    auto* panels = new QHBoxLayout;
    // Per group: weight, scale value, crop name, crop code, warehouse name, warehouse code.
    auto panel = [&](const QString& title, const QString& name, const QList<int>& one, const QList<int>& two) {
        auto* box = new QGroupBox(title, page);
        box->setObjectName(name);
        auto* g = new QGridLayout(box);
        const QStringList heads = {QStringLiteral("Súly"), QStringLiteral("Mérleg"), QStringLiteral("Termény"),
                QStringLiteral("Kód"), QStringLiteral("Raktár"), QStringLiteral("Kód")};
        for (int c = 0; c < heads.size(); ++c)
            g->addWidget(new QLabel(heads[c], box), 0, c + 1);
        int row = 1;
        for (const QList<int>& group : {one, two}) {
            auto* label = new QLabel(QString::number(row), box);
            g->addWidget(label, row, 0);
            for (int c = 0; c < group.size(); ++c) {
                const int width = (c == 3 || c == 5) ? 40 : (c == 2 || c == 4) ? 110 : 70;
                QLineEdit* e = field(box, QStringLiteral("Edit%1").arg(group[c]), width);
                if (c == 1)
                    e->setToolTip(QStringLiteral("Mérleg által mutatott adat"));
                if (c == 0)
                    label->setBuddy(e);
                m_fields.insert(e->objectName(), e);
                g->addWidget(e, row, c + 1);
            }
            ++row;
        }
        panels->addWidget(box);
    };
    panel(QStringLiteral("BE"), QStringLiteral("GroupBoxBE"), {1, 2, 3, 5, 4, 6}, {7, 8, 9, 11, 10, 12});
    panel(QStringLiteral("KI"), QStringLiteral("GroupBoxKI"), {13, 14, 15, 17, 16, 18}, {19, 20, 21, 23, 22, 24});
    lay->addLayout(panels);

    auto* sums = new QHBoxLayout;
    auto sum = [&](const QString& caption, const QString& name, bool big) {
        auto* l = new QLabel(caption, page);
        QLineEdit* e = field(page, name, big ? 150 : 110);
        e->setAlignment(Qt::AlignRight);
        if (big) {
            QFont f = e->font();
            f.setBold(true);
            f.setPointSizeF(f.pointSizeF() * 1.5);
            e->setFont(f);
            QFont lf = l->font();
            lf.setBold(true);
            l->setFont(lf);
        }
        l->setBuddy(e);
        m_fields.insert(name, e);
        sums->addWidget(l);
        sums->addWidget(e);
        sums->addWidget(new QLabel(QStringLiteral("kg"), page));
        sums->addSpacing(24);
    };
    sum(QStringLiteral("Betárolt"), QStringLiteral("Edit35"), false);
    sum(QStringLiteral("Mérlegelt netto"), QStringLiteral("Edit52"), true);
    sum(QStringLiteral("Kiszállított"), QStringLiteral("Edit51"), false);
    sums->addStretch();
    lay->addLayout(sums);
    return page;
}

QWidget* TicketBrowserWindow::buildColumns(const QStringList& columns, const QStringList& labels)
{
    auto* page = new QWidget;
    auto* g = new QGridLayout(page);
    // Two columns of label and field.
    const int perColumn = (columns.size() + 1) / 2;
    for (int i = 0; i < columns.size(); ++i) {
        auto* l = new QLabel(labels[i], page);
        QLineEdit* e = field(page, columns[i], 260);
        l->setBuddy(e);
        m_fields.insert(columns[i], e);
        const int row = i % perColumn, col = (i / perColumn) * 2;
        g->addWidget(l, row, col);
        g->addWidget(e, row, col + 1);
    }
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    g->setRowStretch(perColumn, 1);
    return page;
}

void TicketBrowserWindow::openList()
{
    m_model->open();
    if (m_model->rowCount() > 0)
        m_grid->setCurrentIndex(m_model->index(0, 0));
}

void TicketBrowserWindow::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (m_shown)
        return;
    m_shown = true;
    openList();
    showDetail();
    // Columns sized to the lines in view, none wider than a name needs; the
    // list has every column of the ticket, so it scrolls sideways rather
    // than cut its texts.
    QueryGrid::fitColumns(m_grid, 240, false);
}

void TicketBrowserWindow::moveTo(int row)
{
    if (row < 0 || !m_model->ensureRow(row))
        return;
    const QModelIndex idx = m_model->index(row, qMax(0, m_grid->currentIndex().column()));
    m_grid->setCurrentIndex(idx);
    m_grid->scrollTo(idx);
    showDetail();
}

QString TicketBrowserWindow::currentTicket()
{
    const int row = m_grid->currentIndex().row();
    if (row < 0 || !m_model->ensureRow(row))
        return QString();
    return m_model->value(row, QStringLiteral("jBszam")).toString();
}

void TicketBrowserWindow::showDetail()
{
    const TicketBrowser::Fields f = m_ops.showDetail(currentTicket());
    for (auto it = f.begin(); it != f.end(); ++it)
        if (QLineEdit* e = m_fields.value(it.key()))
            e->setText(it.value());
}

std::optional<TicketList::Search> TicketBrowserWindow::criteria()
{
    TicketList::Search c;
    c.ticket = m_findTicket->text().trimmed();
    c.plate = m_findPlate->text().trimmed();
    const std::pair<QLineEdit*, QDate*> dates[] = {{m_findFrom, &c.from}, {m_findTo, &c.to}};
    for (const auto& [edit, date] : dates) {
        const QString t = edit->text().trimmed();
        if (t.isEmpty())
            continue;
        const std::optional<QDate> d = TextConv::toDate(t);
        if (!d) {
            m_ctx.prompt.message(
                    QStringLiteral("Hibás dátum: \"%1\". A dátum formája: éééé.hh.nn (például 2026.12.09).").arg(t));
            edit->setFocus();
            edit->selectAll();
            return std::nullopt;
        }
        *date = *d;
    }
    if (c.from.isValid() && c.to.isValid() && c.to < c.from) {
        m_ctx.prompt.message(QStringLiteral("A keresés kezdő dátuma későbbi, mint a záró dátuma."));
        m_findFrom->setFocus();
        return std::nullopt;
    }
    if (c.isEmpty()) {
        m_ctx.prompt.message(QStringLiteral("Adja meg a keresett mérlegjegy számát, a rendszámot vagy a dátumot."));
        m_findTicket->setFocus();
        return std::nullopt;
    }
    return c;
}

bool TicketBrowserWindow::search(bool next)
{
    const std::optional<TicketList::Search> c = criteria();
    if (!c)
        return false;
    std::optional<QVariant> after;
    const int current = m_grid->currentIndex().row();
    if (next && current >= 0 && m_model->ensureRow(current))
        after = m_model->line(current)->key;
    int row = -1;
    try {
        const std::optional<QVariant> key = m_list.find(*c, after);
        if (key)
            row = m_model->locate(*key);
    } catch (const DbError& e) {
        m_ctx.prompt.message(QStringLiteral("Hiba a mérlegjegy keresésekor: %1").arg(e.shownText()));
        return false;
    }
    if (row < 0) {
        m_ctx.prompt.message(next ? QStringLiteral("Nincs több a keresésnek megfelelő mérlegjegy.")
                                  : QStringLiteral("Nincs a keresésnek megfelelő mérlegjegy."));
        return false;
    }
    moveTo(row);
    m_grid->setFocus();
    return true;
}

void TicketBrowserWindow::onPrint()
{
    m_ops.printCopy(currentTicket());
}

void TicketBrowserWindow::correct(const std::function<QString(const QString&)>& action)
{
    const QString ticket = currentTicket();
    if (!action || ticket.isEmpty())
        return;
    const QString standOn = action(ticket);
    if (standOn.isEmpty())
        return;
    // Read again: the marker of the voided ticket, the new ticket's line.
    m_model->open();
    const int row = m_model->locate(standOn);
    moveTo(row >= 0 ? row : 0);
}
