// Saving a preview as PDF: the question starts in the documents folder and
// then where the last PDF went; afterwards the preview has the keyboard, so
// Ctrl+P works at once.
#include "testapp.h"

#include "reports/previewwindow.h"
#include "reports/reportlayout.h"
#include "ui/scriptedfilechoice.h"

#include <QApplication>
#include <QDir>
#include <QScrollArea>
#include <QTemporaryDir>

namespace {

// A file dialog that takes the keyboard while it is open, as a real one does.
class GrabbingChoice : public ScriptedFileChoice {
public:
    QString saveFile(const QString& caption, const QString& proposed, const QString& filter) override
    {
        QWidget dialog;
        dialog.setObjectName(QStringLiteral("FileDialog"));
        dialog.show();
        dialog.activateWindow();
        QApplication::processEvents();
        seenActive = QApplication::activeWindow() == &dialog;
        return ScriptedFileChoice::saveFile(caption, proposed, filter);
    }
    bool seenActive = false;
};

ReportLayout onePage()
{
    ReportLayout l;
    l.templateName = QStringLiteral("vello.frf");
    l.pages.append(LayoutPage());
    return l;
}

}   // namespace

class TestPreviewSave : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void documentsFolderThenRemembered();
    void keyboardBackAfterTheQuestion_data();
    void keyboardBackAfterTheQuestion();

private:
    QTemporaryDir m_home;
};

void TestPreviewSave::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(QStringLiteral("config"))));
    qunsetenv("XDG_DOCUMENTS_DIR");
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("Documents")));
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("elsewhere")));
}

void TestPreviewSave::documentsFolderThenRemembered()
{
    const ReportLayout layout = onePage();
    ScriptedFileChoice files;
    const QString documents = m_home.filePath(QStringLiteral("Documents"));
    const QString elsewhere = m_home.filePath(QStringLiteral("elsewhere"));
    files.expectSave(elsewhere + QStringLiteral("/jegy.pdf"));
    files.expectSave(QString());   // cancelled: the folder stays remembered
    files.expectSave(documents + QStringLiteral("/masik.pdf"));
    for (int i = 0; i < 3; ++i) {
        PreviewWindow w(layout, QStringLiteral("vello.pdf"), nullptr, &files);
        w.saveReport();
    }
    QCOMPARE(files.asked().size(), 3);
    QCOMPARE(files.asked()[0].proposed, documents + QStringLiteral("/vello.pdf"));
    QCOMPARE(files.asked()[1].proposed, elsewhere + QStringLiteral("/vello.pdf"));
    QCOMPARE(files.asked()[2].proposed, elsewhere + QStringLiteral("/vello.pdf"));
    QVERIFY(QFile::exists(elsewhere + QStringLiteral("/jegy.pdf")));
    QCOMPARE(PreviewWindow::pdfFolder(), documents);   // the last one went there
    QVERIFY(files.allAnswered());
}

void TestPreviewSave::keyboardBackAfterTheQuestion_data()
{
    QTest::addColumn<bool>("saved");
    QTest::newRow("saved") << true;
    QTest::newRow("cancelled") << false;
}

void TestPreviewSave::keyboardBackAfterTheQuestion()
{
    QFETCH(bool, saved);
    const ReportLayout layout = onePage();
    GrabbingChoice files;
    files.expectSave(saved ? m_home.filePath(QStringLiteral("Documents/k.pdf")) : QString());
    PreviewWindow w(layout, QStringLiteral("vello.pdf"), nullptr, &files);
    w.show();
    w.activateWindow();
    QApplication::processEvents();
    QCOMPARE(w.saveReport(), saved);
    QApplication::processEvents();
    QVERIFY(files.seenActive);   // the question had the keyboard meanwhile
    QCOMPARE(QApplication::activeWindow(), &w);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.view()));
}

QTEST_MAIN(TestPreviewSave)
#include "test_previewsave.moc"
