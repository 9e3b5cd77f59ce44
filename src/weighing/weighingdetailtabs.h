#pragma once
#include <QList>
#include <QTabWidget>

class QLineEdit;
class QWidget;
class Query;
class VehiclesOnSite;

// The details of the vehicles-on-site window (PageControl1): the tabs
// "Mérés" (entry block "BE" and exit block "KI", each with measurement 1 and
// the trailer's measurement 2), "Adat" and "Termelö". Every box is read-only.
class WeighingDetailTabs : public QTabWidget {
    Q_OBJECT
public:
    explicit WeighingDetailTabs(QWidget* parent = nullptr);

    // Fills "Mérés" and "Adat" from the current row of the pending list
    // (ZQ10), with the crop and warehouse names it reads, and applies the panel
    // rules: the trailer panels only for mPot "I"; the crop and warehouse of
    // the entry block for mMozgas "B", of the exit block otherwise. Throws
    // DbError when a name cannot be read.
    void showRow(const VehiclesOnSite& ops);

    // Fills "Termelö" from the current row of `producers` (empty boxes when
    // it has none).
    void showProducer(const Query& producers);
    void clearProducer();
    QString producerCode() const;   // Edit43

    bool trailerShown() const;   // Panel5 / Panel8
    bool entryPicksShown() const;   // crop and warehouse of the "BE" block

private:
    struct Panel {
        QWidget* frame = nullptr;
        QList<QWidget*> picks;   // crop and warehouse labels and boxes
        QLineEdit *weight, *scale, *cropName, *cropCode, *storeName, *storeCode;
    };
    QWidget* buildMeasurementTab();
    QWidget* buildBlock(const QString& title, int firstEdit, const QString& panel1, const QString& panel2,
            const QStringList& hints, Panel& p1, Panel& p2);
    QWidget* buildPanel(const QString& name, const QString& label, int firstEdit, const QStringList& hints, Panel& p);
    QWidget* buildForm(const QStringList& labels, int firstEdit, QList<QLineEdit*>& edits);
    void fillPanel(const VehiclesOnSite& ops, Panel& p, const char* weight, const char* scale, const char* crop,
            const char* store);

    Panel m_in1, m_in2, m_out1, m_out2;
    QList<QLineEdit*> m_data;   // Edit25 .. Edit34
    QList<QLineEdit*> m_producer;   // Edit36 .. Edit43
};
