// vello-backup: a consistent, compressed dump of the database, and its way back.
//
//   vello-backup [--folder DIR] [connection options]   writes DIR/vello-yyyy-MM-dd-hhmmss.sql.gz
//       and the alibi log's DIR/vello_alibi-yyyy-MM-dd-hhmmss.sql.gz beside it
//   vello-backup --restore FILE [--force] [connection options]
//       puts such a dump in place of the database: loaded into a scratch
//       database first and checked, then swapped in with one RENAME TABLE;
//       the replaced tables stay in a dated database. A dump whose counters
//       are behind the live ones is refused unless --force is given. Needs
//       the server's administrator (e.g. sudo vello-backup --restore F --user
//       root) for the scratch database, the swap and the load's own account;
//       the dump itself is loaded by the sandboxed client as that account,
//       which may touch the scratch database alone.
//       The live alibi log stays as it is. A dump of the alibi log itself
//       goes back only where the live log loses nothing: every live entry
//       and link must be in it (a lost or cut log can be put back; a
//       growing log is never replaced by an older copy, not even with --force).
//
// Connects as the program's user (tooloptions.h).
#include "periodclose/databasebackup.h"
#include "tooloptions.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ToolOptions tool(QStringLiteral("vello-backup"), ToolOptions::Account::Program);
    const QCommandLineOption folder(QStringLiteral("folder"),
            QStringLiteral("ide kerül a mentés (alapértelmezés: %1)").arg(DatabaseBackup::defaultFolder()),
            QStringLiteral("MAPPA"));
    const QCommandLineOption restore(QStringLiteral("restore"),
            QStringLiteral("a mentés visszaállítása az adatbázis helyére; olyan felhasználó kell hozzá, "
                           "amely adatbázist hozhat létre (például --user root)"),
            QStringLiteral("FÁJL"));
    const QCommandLineOption force(QStringLiteral("force"),
            QStringLiteral("a --restore akkor is visszaállítja a mentést, ha az régebbi az adatbázisnál (a már "
                           "kiadott sorszámok ismétlődhetnek)"));
    tool.addOption(folder);
    tool.addOption(restore);
    tool.addOption(force);
    tool.addUsage(QStringLiteral("[--folder MAPPA] [kapcsolók]"));
    tool.addUsage(QStringLiteral("--restore FÁJL [--force] [kapcsolók]"));
    tool.setDescription(QStringLiteral(
            "Tömörített mentés az adatbázisról (NÉV-ÉÉÉÉ-HH-NN-óóppmm.sql.gz), mellette az alibi napló "
            "mentésével (NÉV_alibi-….sql.gz), és a mentés visszaállítása. A visszaállítás előbb egy "
            "ideiglenes adatbázisba tölti és ellenőrzi a mentést, csak azután cseréli ki vele egy lépésben az "
            "élő táblákat; a lecserélt táblák egy dátummal jelölt adatbázisban megmaradnak. Az alibi napló "
            "mentése csak akkor kerül vissza, ha az élő napló semmit sem veszít vele."));
    tool.setEpilogue(QStringLiteral("Kilépési kód: 0 kész; 1 a mentés vagy a visszaállítás nem sikerült (az "
                                    "adatbázis változatlan); 2 hibás paraméterek.\n"
                                    "\n"
                                    "Például:\n"
                                    "    vello-backup --folder /media/pendrive/mentes\n"
                                    "    sudo vello-backup --restore FÁJL --user root"));
    switch (tool.parse(app.arguments())) {
    case ToolOptions::Parsed::Help:
        return 0;
    case ToolOptions::Parsed::Bad:
        return ToolOptions::kBadArguments;
    case ToolOptions::Parsed::Run:
        break;
    }
    if (!tool.positional().isEmpty())
        return tool.badArguments(QStringLiteral("fölösleges paraméter: „%1”").arg(tool.positional().first()));
    const ConnectionSettings settings = tool.connection();
    DatabaseBackup backup(settings);
    if (tool.isSet(restore)) {
        if (!backup.restore(tool.value(restore), tool.isSet(force))) {
            tool.fail(QStringLiteral("a visszaállítás nem történt meg: ") + backup.error());
            return 1;
        }
        for (const QString& line : backup.report())
            tool.out() << line << "\n";
        return 0;
    }
    const QString path = backup.dump(tool.isSet(folder) ? tool.value(folder) : DatabaseBackup::defaultFolder());
    if (path.isEmpty()) {
        tool.fail(QStringLiteral("a mentés nem sikerült: ") + backup.error());
        return 1;
    }
    tool.out() << path << "\n";
    if (!backup.alibiFile().isEmpty())
        tool.out() << backup.alibiFile() << "\n";
    else
        tool.fail(QStringLiteral("a(z) %1 adatbázis mellett nincs alibi napló; csak az adatbázis mentése készült el")
                          .arg(settings.database));
    return 0;
}
