#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

// The floors of the source tree: a file includes files of its own folder and
// of folders on a lower floor only. context/ is the ground floor, app/ the
// top; the subsystems on one floor know nothing of each other.
class TestLayers : public QObject {
    Q_OBJECT
private:
    static QHash<QString, int> floors()
    {
        return {{"context", 0}, {"data", 1}, {"ui", 2}, {"reports", 3}, {"alibi", 3}, {"help", 4}, {"install", 4},
                {"periodclose", 4}, {"registers", 4}, {"scale", 4}, {"tickets", 4}, {"weighing", 5}, {"app", 6}};
    }

    // folder -> (included folder -> "file includes file" lines)
    static QHash<QString, QHash<QString, QStringList>> includes()
    {
        static const QRegularExpression include(
                QStringLiteral("^\\s*#\\s*include\\s+\"([a-z]+)/([^\"]+)\""), QRegularExpression::MultilineOption);
        QHash<QString, QHash<QString, QStringList>> out;
        const QDir src(QStringLiteral(VELLO_SOURCE_DIR "/src"));
        QDirIterator it(src.path(), {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString file = src.relativeFilePath(path);
            const QString folder = file.section(QLatin1Char('/'), 0, 0);
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(f.readAll());
            for (auto m = include.globalMatch(text); m.hasNext();) {
                const auto match = m.next();
                const QString target = match.captured(1);
                if (target != folder)
                    out[folder][target] << file + QStringLiteral(" -> ") + target + QLatin1Char('/')
                                    + match.captured(2);
            }
        }
        return out;
    }

private slots:
    void everyFolderHasAFloor()
    {
        const QDir src(QStringLiteral(VELLO_SOURCE_DIR "/src"));
        const QStringList folders = src.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QVERIFY(!folders.isEmpty());
        for (const QString& f : folders)
            QVERIFY2(floors().contains(f), qPrintable(f + QStringLiteral(" has no floor in this test")));
    }

    void includesGoDownOnly()
    {
        const auto floor = floors();
        QStringList upward;
        const auto all = includes();
        for (auto from = all.begin(); from != all.end(); ++from)
            for (auto to = from->begin(); to != from->end(); ++to)
                if (floor.value(to.key(), -1) >= floor.value(from.key(), -1))
                    upward << to.value();
        upward.sort();
        QVERIFY2(upward.isEmpty(), qPrintable(upward.join(QLatin1Char('\n'))));
    }

    void noTwoFoldersIncludeEachOther()
    {
        const auto all = includes();
        QStringList both;
        for (auto from = all.begin(); from != all.end(); ++from)
            for (auto to = from->begin(); to != from->end(); ++to)
                if (from.key() < to.key() && all.value(to.key()).contains(from.key()))
                    both << from.key() + QStringLiteral(" <-> ") + to.key();
        QVERIFY2(both.isEmpty(), qPrintable(both.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TestLayers)
#include "test_layers.moc"
