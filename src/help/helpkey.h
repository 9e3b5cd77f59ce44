#pragma once
#include <QObject>

struct AppContext;

// F1 in any window of the program opens the operator's guide at the section
// about that window, chosen by the window's objectName. Installed once on the
// application, so windows need not know about it.
class HelpKey : public QObject {
    Q_OBJECT
public:
    explicit HelpKey(AppContext& ctx, QObject* parent = nullptr);
    ~HelpKey() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AppContext& m_ctx;
    bool m_open = false;
};
