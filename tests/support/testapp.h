#pragma once
#include "context/appcontext.h"
#include "data/datamodule.h"
#include "testdb.h"
#include "ui/scriptedfilechoice.h"
#include "ui/scriptedhost.h"
#include "ui/scriptedprompt.h"

#include <QTest>

// One test case's whole application: a fresh database, the data module
// opened on it, the scripted prompt and window host, and the context.
struct TestApp {
    TestDb db;
    DataModule data {db.settings()};
    ScriptedPrompt prompt;
    ScriptedHost host;
    ScriptedFileChoice files;
    AppContext ctx {data, prompt, &host};

    TestApp()
    {
        ctx.files = &files;
        data.open();
    }
    // Every expected prompt and window was used.
    void verifyScriptsDone() const
    {
        QVERIFY2(prompt.allAnswered(), qPrintable(prompt.pending().join(QLatin1String("; "))));
        QVERIFY2(host.allRun(), qPrintable(host.pending().join(QLatin1String("; "))));
        QVERIFY2(files.allAnswered(), qPrintable(files.pending().join(QLatin1String("; "))));
    }
};
