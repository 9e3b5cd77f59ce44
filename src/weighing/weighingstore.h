#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

struct AppContext;
struct WeighingState;

// The weighing window's fields, as texts, exactly as the window holds them
// when OK is pressed. Hidden controls are passed as they are (a hidden
// measurement 2 passes "0", "0" and empty codes; hidden pickers pass empty
// codes).
struct WeighingFields {
    // Measurement 1 (Panel2): weight Edit1, scale Edit2, crop code Edit5, warehouse code Edit6.
    QString weight1 = QStringLiteral("0");
    QString scale1 = QStringLiteral("0");
    QString crop1;
    QString warehouse1;
    // Measurement 2 (Panel3): weight Edit7, scale Edit8, crop code Edit11, warehouse code Edit12.
    QString weight2 = QStringLiteral("0");
    QString scale2 = QStringLiteral("0");
    QString crop2;
    QString warehouse2;
    // Tab "Adatok": purity Edit32, moisture Edit33, remark Edit31,
    // "Be idöpont:" Edit29 (IN mode: the time the window opened, written
    // with TextConv::time, "07:10:00"; it becomes mBeido), "Rendsz.kód"
    // Edit14 (IN mode: the plate code; the tare completion reads its tare).
    // Numbers are decimal texts with the comma ("20000", "7950,5").
    QString purity = QStringLiteral("100");
    QString moisture = QStringLiteral("0");
    QString remark;
    QString inTime;
    QString plateCode;
    // Hidden Edit35 / Edit36: standard purity and moisture of the crop picked
    // for measurement 1, as the window wrote them (decimal comma); empty
    // until a crop is picked there.
    QString standardPurity;
    QString standardMoisture;
};

// What OK of the weighing window ended in, and what the window does next.
struct WeighingOutcome {
    enum Result {
        // A check of OK failed: its message was shown, nothing is stored, the
        // window stays open and gives the focus to `focus`.
        Refused,
        // The IN store could not start ("Hiba az append vagy edit közben az
        // meres-ban!"): nothing is stored, the window stays open.
        NotStarted,
        // Stored. The window runs the steps after storing (list refreshed and
        // positioned on ctx.weighing.weighingNumber, TForm4 shows its current
        // row, the window closes; in IN mode TForm15 closes as well).
        Stored,
        // The store failed with its message and was rolled back as a whole;
        // nothing of it is stored and no number was used. The window goes on
        // with the same steps after storing as for Stored.
        Failed,
    };
    Result result = Refused;
    // The messages shown, in order (empty when none). A Stored single
    // weighing with a trailer carries "Pótos szerelvénynél nincs tara-s mérés!".
    QStringList messages;
    // objectName of the weighing window's control that gets the focus
    // (Refused only): "Edit1" weight 1, "Edit7" weight 2, "Edit32" purity,
    // "Edit33" moisture (both on tab "Adatok", TabSheet2), "Button3"/"Button4"
    // crop/warehouse pick of measurement 1, "Button7"/"Button8" of
    // measurement 2 (tab "Mérés", TabSheet1).
    QString focus;
    // Stored and Failed go on with the steps after storing and close the
    // window; Refused and NotStarted leave it open.
    bool closesWindow() const { return result == Stored || result == Failed; }
};

// The operations of the weighing window TForm14 (WeighingWindow): the checks
// of OK, the IN store with the tare completion, the OUT store. No widgets:
// the window passes its fields and reads the outcome. Messages are shown
// through ctx.prompt by the operation itself; the window shows none of them
// again.
//
// The weighing state ctx.weighing is read as the window's opener set it and
// the window left it when it opened (modeText already " \"KI\" -választ mérés"
// or "Új  \"BE\" mérés"): modeText decides IN or OUT, movement, trailer,
// singleWeighing, plateCode (IN) and weighingId (OUT). After a store,
// ctx.weighing.weighingNumber holds the number to position the list on.
class WeighingStore {
public:
    // Weighing mode texts of the weighing state.
    static const QString InModeText;        // "Új  \"BE\" mérés" (two blanks after "Új")
    static const QString OutSelectText;     // "\"Ki\" -választ" (set by "KI - választ" in TForm4)
    static const QString OutModeText;       // " \"KI\" -választ mérés" (leading blank)

    explicit WeighingStore(AppContext& ctx) : m_ctx(ctx) {}

    // Opening step 3: whether the crop and warehouse pickers of both panels
    // are shown, from the state as the opener set it (a loaded vehicle coming
    // in, or an empty vehicle going out loaded).
    static bool pickersShown(const WeighingState& state);
    // The loaded pass of the weighing being stored: IN of a "B" vehicle or
    // OUT of a "K" vehicle (by the current mode text and movement).
    static bool loadedPass(const WeighingState& state);
    static bool inMode(const WeighingState& state);

    // Opening step 6, the tare preset of a single weighing of an empty
    // vehicle: the plate register tare of `plateCode` (the text of
    // "Rendsz.kód") as the window writes it into Edit1 ("8000", "7950,5"), or
    // nullopt when no preset applies (not single, not "K", no such plate, or
    // the read failed) and Edit1 keeps "0".
    std::optional<QString> tarePreset(const QString& plateCode);

    // OK: the checks below, then the IN store (mode text "Új  \"BE\" mérés")
    // or the OUT store (any other mode text). `at` is the moment of OK
    // (date of the IN row, time of the OUT weighing and of the tare
    // completion); an invalid value means now.
    WeighingOutcome ok(const WeighingFields& fields, const QDateTime& at = QDateTime());

    // The checks of OK in their order; the first that fails shows its message
    // and returns Refused with the control to focus; Stored means all passed
    // (nothing is written by the checks).
    //  1. weight 1 empty (trailing blanks removed): "Üres a mértsúly!"  -> Edit1
    //  2. weight 1 exactly "0": "Nulla a mértsúly!"                    -> Edit1
    //  3. loaded pass, crop 1 / warehouse 1 not picked:
    //     "Nincs kiválasztva a termény!" -> Button3,
    //     "Nincs kiválasztva a raktár!"  -> Button4;
    //     measurement 2 shown with a weight (not empty, not 0) and its crop /
    //     warehouse not picked: "Nincs kiválasztva a pótkocsi terménye!" ->
    //     Button7, "Nincs kiválasztva a pótkocsi raktára!" -> Button8.
    //     (A ticket without crop or warehouse would be left out of every
    //     ticket, stock and archive list.)
    //  4. IN mode, movement "B" only:
    //     purity empty: "Üres a tisztaság!" -> Edit32
    //     moisture empty: "Üres a viztartalom!" -> Edit33
    //     purity above the standard: "Nagyobb mint a szabványnak megadott tisztaság!" -> Edit32
    //     moisture below the standard: "Nem lehet kisebb a szabványnak megadott viztartalomnál!" -> Edit33
    // Measurement 2 counts as shown when ctx.weighing.trailer is set.
    WeighingOutcome check(const WeighingFields& fields);

    // The IN store as one transaction: "M" number drawn with the row locked,
    // the new pending weighing inserted, the counter advanced and, for a
    // single weighing, the tare completion; all committed together or all
    // rolled back. Messages:
    //   "Hiba az append vagy edit közben az meres-ban!"   could not start (NotStarted)
    //   "Hiba: Az UPDATE Sorszam -ba " then "Hiba: Újban, INSERT-append a meres-ben "  counter store failed (Failed)
    //   "Hiba: Újban, INSERT-append a meres-ben "          insert, commit or a number field failed (Failed)
    //   "Pótos szerelvénynél nincs tara-s mérés!"          single weighing with trailer (Stored, ordinary weighing)
    //   "Hiba: tara-s mérésnél, REPLACE-edit a meres-ban " tare completion failed (Failed, nothing stored)
    WeighingOutcome storeIn(const WeighingFields& fields, const QDateTime& at = QDateTime());

    // The OUT store: one UPDATE of the pending weighing ctx.weighing.weighingId
    // (exit time, weights, scale figures, mNetto2; crop and warehouse codes
    // only for movement "K"). On failure, or when that weighing no longer
    // exists: "Hiba: KI-ben, REPLACE-edit a meres-ban " (Failed).
    WeighingOutcome storeOut(const WeighingFields& fields, const QDateTime& at = QDateTime());

private:
    // Tare completion inside the IN store's transaction: the plate's
    // register tare into the row just inserted. False when it failed.
    bool completeTare(const QString& plateCode, const QTime& now);
    WeighingOutcome refuse(const QString& message, const QString& focus);
    WeighingOutcome fail(WeighingOutcome::Result result, const QString& message);

    AppContext& m_ctx;
};
