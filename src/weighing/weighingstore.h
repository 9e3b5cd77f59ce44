#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

#include "data/outcome.h"
#include "weighing/alibistore.h"
#include "weighing/weighingrequest.h"

struct AppContext;

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
    // Hidden Edit35 / Edit36: standard purity and moisture of the crop of
    // measurement 1, as the window shows them (decimal comma); empty until a
    // crop is picked or typed there. Shown only: the checks read the
    // standards of the crop code itself from the register.
    QString standardPurity;
    QString standardMoisture;
    // The alibi log entries of the scale reads behind the weights (the
    // store links them, AlibiStore).
    AlibiReads alibi;
};

// What OK of the weighing window ended in (Outcome), and what the window
// does next:
//   Refused     a check failed: the window stays open and focuses `focus`
//               ("Edit1" weight 1, "Edit7" weight 2, "Edit31" remark,
//               "Edit32" purity, "Edit33" moisture, "Button3"/"Button4" crop/
//               warehouse pick of measurement 1, "Button7"/"Button8" of
//               measurement 2, "Button2"/"Button6" a scale read);
//   NotStarted  the IN store could not start: the window stays open;
//   Failed      rolled back as a whole, no number used: the window stays
//               open with everything typed and OK can be pressed again;
//   Done        stored: the list is refreshed on `weighingNumber`, TForm4
//               shows its current row, the window closes (in IN mode TForm15
//               closes as well).
struct WeighingOutcome : Outcome {
    QString weighingNumber;   // mBszam of the weighing stored (Done)
    bool closesWindow() const { return result == Done; }
};

// The operations of the weighing window TForm14 (WeighingWindow): the checks
// of OK, the IN store with the tare completion, the OUT store, for the
// weighing its opener requested. No widgets: the window passes its fields and
// reads the outcome. Messages are shown through ctx.prompt by the operation
// itself; the window shows none of them again.
class WeighingStore {
public:
    WeighingStore(AppContext& ctx, const WeighingRequest& request) : m_ctx(ctx), m_request(request) { }

    // Opening step 6, the tare preset of a single weighing of an empty
    // vehicle: the plate register tare of `plateCode` (the text of
    // "Rendsz.kód") as the window writes it into Edit1 ("8000", "7950,5"), or
    // nullopt when no preset applies (not single, not a dispatch, no such
    // plate, or the read failed) and Edit1 keeps "0".
    std::optional<QString> tarePreset(const QString& plateCode);

    // The header line of the weighing window: the vehicle's plate number
    // with its register name and, when leaving, the producer assigned to the
    // weighing ("Rendszám: ABC-123   (Kovács István)   Termelő: ...").
    // Never throws; a failed read shows the plate code alone.
    QString vehicleHeader();

    // A row of the crop register, read by its code.
    struct Crop {
        QString name;   // tMegnev
        double standardPurity = 100;   // tSztiszt
        double standardMoisture = 0;   // tSzviztart
    };
    // The crop or the warehouse name (kNev) of a code as typed (blanks
    // around it removed); nullopt when the register has no such code.
    // Throws DbError when the register cannot be read.
    std::optional<Crop> crop(const QString& code);
    std::optional<QString> warehouse(const QString& code);

    // OK: the checks below, then the IN or the OUT store. `at` is the moment of OK
    // (date of the IN row, time of the OUT weighing and of the tare
    // completion); an invalid value means now.
    WeighingOutcome ok(const WeighingFields& fields, const QDateTime& at = QDateTime());

    // The checks of OK in their order; the first that fails shows its message
    // and returns Refused with the control to focus; Done means all passed
    // (nothing is written by the checks).
    //  1. weight 1 empty (trailing blanks removed) or exactly "0" -> Edit1
    //  1b. every field against its column before any statement: weights 1
    //     and 2 present, whole numbers and not above the scale's capacity
    //     (PortSetting::capacityKg) -> Edit1 / Edit7; a scale figure that is
    //     not a number -> Button2 / Button6; codes (5) and remark (200) by
    //     width and the characters cp1250 holds -> their box.
    //  2. loaded pass, crop 1 / warehouse 1 not picked -> Button3 / Button4;
    //     measurement 2 shown with a weight (not empty, not 0) and its crop /
    //     warehouse not picked -> Button7 / Button8.
    //     (A ticket without crop or warehouse would be left out of every
    //     ticket, stock and archive list.)
    //     Every crop and warehouse code of the loaded pass (measurement 2:
    //     of a trailer) is looked up in its register, the code that will
    //     be stored; one it does not hold is named -> Edit5 / Edit6 (Edit11 /
    //     Edit12 for measurement 2).
    //  3. Purity and moisture, stored by the IN and the OUT store alike:
    //     empty, or not a number from 0 to 100 (decimal comma) -> Edit32 /
    //     Edit33 (empty is let through for an empty vehicle coming in, whose
    //     figures no check reads; its store then fails as for any bad number).
    //  4. A delivery, against the standards of the register row of crop 1
    //     (IN mode: the code in the field; OUT mode: the code the pending
    //     weighing holds): purity above the standard -> Edit32, moisture
    //     below it -> Edit33; then the same for a weighed trailer against
    //     the standards of its own crop 2 (the message names the crop).
    // Measurement 2 counts as shown for a trailer. A register that cannot be
    // read: the store's could-not-start message (NotStarted, IN mode) or the
    // OUT store's failure message (NotStarted, OUT mode); nothing is written
    // either way. The texts are in weighingchecks.cpp and weighingtexts.cpp.
    WeighingOutcome check(const WeighingFields& fields);

    // The IN store as one transaction: "M" number drawn with the row locked,
    // the new pending weighing inserted, the counter advanced and, for a
    // single weighing, the tare completion; all committed together or all
    // rolled back. Outcomes: NotStarted when it could not start; Failed
    // (nothing stored, no number used) when the insert, a number field, the
    // counter store (its own message first), the tare completion or the
    // commit failed; Done otherwise. A single weighing with trailer is
    // stored as an ordinary weighing and says that it got no tare.
    // A deadlock or lock-wait timeout at any statement runs the whole
    // transaction again (LockTries attempts), shows nothing meanwhile and
    // never uses a second number. When the COMMIT's reply is lost with the
    // connection, the store looks after reconnecting for the row with the
    // number drawn and the values written and says what it found: stored
    // (Done, with the number), not stored (Failed) or not known (Failed).
    WeighingOutcome storeIn(const WeighingFields& fields, const QDateTime& at = QDateTime());

    // The OUT store as one transaction: the requested pending weighing read
    // with its row locked, then one UPDATE of it (exit time, weights, scale
    // figures, mNetto2, purity and moisture; crop and warehouse codes only
    // for a dispatch), COMMIT. A weighing that another workstation has
    // finalised or deleted meanwhile gets nothing written and a plain
    // message saying so (Failed: the window closes and the list is read
    // again). Any other failure: Failed with the OUT store's message. Lock
    // conflicts are tried again as in the IN store; a lost COMMIT reply is
    // answered by comparing the row with the values written.
    WeighingOutcome storeOut(const WeighingFields& fields, const QDateTime& at = QDateTime());

private:
    // Each field against its column: weights (numbers, within the scale's
    // capacity), scale figures, codes and remark (width, cp1250).
    std::optional<WeighingOutcome> checkColumns(const WeighingFields& f);
    // Check 3's look-ups and check 4 and 5; a refusal, or nullopt when they pass.
    std::optional<WeighingOutcome> checkCodes(const WeighingFields& f);
    std::optional<WeighingOutcome> checkPercentages(const WeighingFields& f);
    // Tare completion inside the IN store's transaction: the plate's
    // register tare into the row just inserted. False when it failed.
    // Returns the tare stored.
    double completeTare(const QString& plateCode, const QTime& now);
    WeighingOutcome end(Outcome::Result result, const QString& message, const QString& focus = QString());

    AppContext& m_ctx;
    WeighingRequest m_request;
    std::optional<Crop> m_crop1;   // the register row of crop 1, as checkCodes found it
    std::optional<Crop> m_crop2;   // ... of crop 2 (a trailer's load)
};
