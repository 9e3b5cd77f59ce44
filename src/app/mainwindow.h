#pragma once
#include <QMainWindow>

struct AppContext;
class QAction;

// The main window TForm1: a bare menu, the only way into every other window.
// F10 or Alt with an item's underlined letter reaches the menu.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppContext& ctx, QWidget* parent = nullptr);
    // A menu item by objectName ("Mrlegels1", ..., "Kilps1").
    QAction* item(const QString& objectName) const;
    // An item's caption as shown, without the mark of its access key.
    static QString caption(const QAction* item);
    // The caption with its access key (the first `key` in it) marked.
    static QString withAccessKey(const QString& caption, QChar key);
    static QString title() { return QStringLiteral("Tavrin Ver. 1.4  2009."); }
    void centre();

private:
    AppContext& m_ctx;
};
