#pragma once
#include "app/appcontext.h"
#include "data/datamodule.h"
#include "testdb.h"
#include "ui/scriptedhost.h"
#include "ui/scriptedprompt.h"

#include <QTest>

// One test case's whole application: a fresh database, the data module
// opened on it, the scripted prompt and window host, and the context.
struct TestApp {
    TestDb db;
    DataModule data{db.settings()};
    ScriptedPrompt prompt;
    ScriptedHost host;
    AppContext ctx{data, prompt, &host};

    TestApp() { data.open(); }
    // Every expected prompt and window was used.
    void verifyScriptsDone() const
    {
        QVERIFY2(prompt.allAnswered(), qPrintable(prompt.pending().join(QLatin1String("; "))));
        QVERIFY2(host.allRun(), qPrintable(host.pending().join(QLatin1String("; "))));
    }
};
