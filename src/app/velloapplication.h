#pragma once
#include <QApplication>

struct AppContext;

// The application with its default error handler: a failure that no
// operation caught is shown with its own text and the program goes on. A
// "START TRANSACTION" left open by the failed operation is rolled back first.
class VelloApplication : public QApplication {
    Q_OBJECT
public:
    VelloApplication(int& argc, char** argv);
    void setContext(AppContext* ctx) { m_ctx = ctx; }
    bool notify(QObject* receiver, QEvent* event) override;

    // Sets the comma / full-stop conventions and loads Qt's Hungarian texts.
    static void setupLocale();

private:
    AppContext* m_ctx = nullptr;
};
