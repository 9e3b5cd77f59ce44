#pragma once
#include <QByteArray>
#include <QCryptographicHash>
#include <QString>

// One entry of the alibi log (table `naplo` of the alibi database) and the
// chain value that ties it to the entry before it.
struct AlibiEntry {
    // Where the weight came from; the texts stored in `forras`.
    // Ticket: a finalised ticket's entry (jegyez), not a weight.
    enum Source { Scale, Typed, RegisterTare, Ticket };
    static QString sourceText(Source s);   // "mérleg", "kézi", "törzs tára", "mérlegjegy"

    qint64 number = 0;   // nr
    QString time;   // ido, the server's time as "yyyy-MM-dd hh:mm:ss"
    QString workstation;   // gep
    QString source;   // forras: one of the source texts
    QString weight;   // suly as the log holds it: "12340.000", "-20.000"
    QString digits;   // szamjegy: the digits taken from the frame
    QString status;   // allapot: the indicator's status where the frame has one
    QString port;   // port
    QString frame;   // nyers: the raw frame, escaped (escapeFrame)
    QByteArray chain;   // lanc: 64 lower-case hex digits

    // The weight in the log's form: three decimals and a point; "-0.000"
    // becomes "0.000".
    static QString weightText(double kg);
    // The received text made printable: printable ASCII stays (a backslash
    // doubled), every other character becomes \xHH (up to U+00FF) or \uHHHH.
    static QString escapeFrame(const QString& raw);

    // The chain value of this entry over the previous entry's chain value
    // (firstPrevious() before the first entry): the lower-case hex SHA-256
    // of the netstrings ("<byte length>:<bytes>,") of the previous chain
    // value, nr, ido, gep, forras, suly, szamjegy, allapot, port and nyers,
    // all UTF-8.
    QByteArray computeChain(const QByteArray& previous) const;
    static QByteArray firstPrevious() { return QByteArray(64, '0'); }
};

// The same chain value over the fields as bytes, as a streaming check reads
// them; one hasher reused for every entry.
class AlibiChainHasher {
public:
    AlibiChainHasher() : m_hash(QCryptographicHash::Sha256) { }
    void begin(const QByteArray& previous)
    {
        m_hash.reset();
        add(previous.constData(), previous.size());
    }
    void add(const char* data, qsizetype size)
    {
        char len[24];
        int n = 0;
        qsizetype v = size;
        char rev[24];
        do {
            rev[n++] = char('0' + v % 10);
            v /= 10;
        } while (v > 0);
        for (int i = 0; i < n; ++i)
            len[i] = rev[n - 1 - i];
        len[n++] = ':';
        m_hash.addData(QByteArrayView(len, n));
        m_hash.addData(QByteArrayView(data, size));
        m_hash.addData(QByteArrayView(",", 1));
    }
    void add(const QByteArray& b) { add(b.constData(), b.size()); }
    QByteArray finish() { return m_hash.result().toHex(); }

private:
    QCryptographicHash m_hash;
};
