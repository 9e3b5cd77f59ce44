#pragma once
#include <QMainWindow>

struct AppContext;
class QAction;

// The main window TForm1: a bare menu, the only way into every other window.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppContext& ctx, QWidget* parent = nullptr);
    // A menu item by objectName ("Mrlegels1", ..., "Kilps1").
    QAction* item(const QString& objectName) const;
    static QString title() { return QStringLiteral("Tavrin Ver. 1.4  2009."); }
    void centre();

private:
    AppContext& m_ctx;
};
