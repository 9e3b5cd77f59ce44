// vello-alibi: checks and shows the alibi log of the weighbridge register.
//
//   vello-alibi verify [connection options]
//   vello-alibi show N [connection options]
//
// Connects as the program's user (tooloptions.h) to the register database
// and reads its alibi log `<database>_alibi`.
#include "alibi/alibilog.h"
#include "data/datamodule.h"
#include "data/dberror.h"
#include "tooloptions.h"

#include <QCoreApplication>

namespace {

const QString kVerify = QStringLiteral("verify");
const QString kShow = QStringLiteral("show");

QString direction(AlibiLog::Direction d)
{
    return d == AlibiLog::In ? QStringLiteral("bemérés (B)") : QStringLiteral("kimérés (K)");
}

QString slot(int s)
{
    return s == 2 ? QStringLiteral("2 (pót)") : QStringLiteral("1 (jármű)");
}

int verify(AlibiLog& log, ToolOptions& tool)
{
    // The chain, the numbers, every link and every ticket against its entry.
    const AlibiLog::Verification v = log.verify();
    tool.say(v.message());
    return v.ok() ? 0 : 1;
}

int show(AlibiLog& log, qint64 number, ToolOptions& tool)
{
    const std::optional<AlibiEntry> e = log.entry(number);
    if (!e) {
        tool.fail(QStringLiteral("nincs %1. számú bejegyzés a naplóban (`%2`).").arg(number).arg(log.database()));
        return 1;
    }
    QByteArray previous = AlibiEntry::firstPrevious();
    if (number > 1) {
        const std::optional<AlibiEntry> p = log.entry(number - 1);
        previous = p ? p->chain : QByteArray();
    }
    const bool matches = !previous.isEmpty() && e->computeChain(previous) == e->chain;
    QTextStream& out = tool.out();
    out << e->number << ". bejegyzés\n"
        << "  idő:                " << e->time << "\n"
        << "  munkaállomás:       " << e->workstation << "\n"
        << "  forrás:             " << e->source << "\n"
        << "  súly:               " << e->weight << "\n"
        << "  átvett számjegyek:  " << e->digits << "\n"
        << "  mérleg állapota:    " << e->status << "\n"
        << "  port:               " << e->port << "\n"
        << "  nyers keret:        " << e->frame << "\n"
        << "  láncérték:          " << e->chain << (matches ? " (egyezik)" : " (NEM EGYEZIK!)") << "\n";
    const QList<AlibiLog::Link> links = log.links(number);
    if (links.isEmpty())
        out << "Nem tartozik méréshez.\n";
    for (const AlibiLog::Link& l : links) {
        if (l.ticket.isEmpty())
            out << "Függő mérés: " << l.pendingId;
        else
            out << "Mérlegjegy: " << l.ticket << " (függő mérés: " << l.pendingId << ")";
        out << ", mérés: " << slot(l.slot) << ", " << direction(l.direction) << "\n";
    }
    return 0;
}

}   // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ToolOptions tool(QStringLiteral("vello-alibi"), ToolOptions::Account::Program);
    tool.addUsage(QStringLiteral("verify [kapcsolók]"));
    tool.addUsage(QStringLiteral("show N [kapcsolók]"));
    tool.setDescription(
            QStringLiteral("Az alibi napló ellenőrzése és megtekintése. A napló a mérlegelés minden átvett súlyát "
                           "őrzi, csak bővülhet, és minden bejegyzése SHA-256 láncértékkel kapcsolódik az előzőhöz.\n"
                           "\n"
                           "  verify    végigszámolja a láncot, és összeveti minden mérlegjegy\n"
                           "            sorait és kapcsolatait a mérlegjegy bejegyzésével; kiírja,\n"
                           "            hány bejegyzés ép, vagy az első eltérést (kilépési kód: 1)\n"
                           "  show N    kiírja az N. bejegyzést a méréseivel és mérlegjegyeivel"));
    tool.describe(QStringLiteral("database"),
            QStringLiteral("a nyilvántartás adatbázisa (alapértelmezés: vello); a napló a NÉV_alibi adatbázisban van"));
    tool.setEpilogue(QStringLiteral("Kilépési kód: 0 kész (a lánc ép; a bejegyzés kiírva); 1 a lánc sérült, vagy "
                                    "nincs ilyen bejegyzés; 2 hibás paraméterek; 3 a napló nem olvasható."));
    switch (tool.parse(app.arguments())) {
    case ToolOptions::Parsed::Help:
        return 0;
    case ToolOptions::Parsed::Bad:
        return ToolOptions::kBadArguments;
    case ToolOptions::Parsed::Run:
        break;
    }
    const QStringList words = tool.positional();
    if (words.isEmpty())
        return tool.badArguments(QStringLiteral("adja meg, mit tegyen: verify vagy show N"));
    const QString command = words.first();
    qint64 number = 0;
    if (command == kVerify) {
        if (words.size() > 1)
            return tool.badArguments(QStringLiteral("a verify után nem áll más: „%1”").arg(words[1]));
    } else if (command == kShow) {
        bool ok = false;
        number = words.size() > 1 ? words[1].toLongLong(&ok) : 0;
        if (!ok || number < 1)
            return tool.badArguments(QStringLiteral("a show után a bejegyzés száma áll (1, 2, ...)"));
        if (words.size() > 2)
            return tool.badArguments(QStringLiteral("a show N után nem áll más: „%1”").arg(words[2]));
    } else
        return tool.badArguments(QStringLiteral("ismeretlen parancs: „%1” (verify vagy show N)").arg(command));
    const ConnectionSettings settings = tool.connection();
    try {
        // The first statement connects; the register's own tables are not
        // needed for the log.
        DataModule data(settings);
        AlibiLog log(data);
        return command == kVerify ? verify(log, tool) : show(log, number, tool);
    } catch (const DbError& e) {
        tool.fail(QStringLiteral("az alibi napló nem olvasható: ") + e.text());
        return 3;
    }
}
