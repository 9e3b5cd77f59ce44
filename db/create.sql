-- Creation step of the weighbridge register database.
--
-- Run once, as an administrative user, before the first start:
--     mariadb -u root < db/create.sql        (or: vello-create)
-- It creates the database `vello`, the user vello@localhost (no password),
-- the ten tables, their indexes, the four document counters and the site row,
-- and the alibi log's database `vello_alibi` (see below).
-- The program itself never creates or alters a table.
--
-- Between the SCHEMA markers stands everything that goes into the database
-- itself; vello-create and the test harness run exactly that part.

CREATE DATABASE vello DEFAULT CHARACTER SET cp1250;
USE vello;

-- BEGIN SCHEMA

-- Pending weighings: one row per vehicle on the site.
CREATE TABLE meres (
  IDm        BIGINT NOT NULL AUTO_INCREMENT,
  mBszam     VARCHAR(8)   DEFAULT NULL,
  mMozgas    VARCHAR(1)   DEFAULT NULL,
  mPot       VARCHAR(1)   DEFAULT NULL,
  mEgymeres  VARCHAR(1)   DEFAULT NULL,
  mDatum     DATE         DEFAULT NULL,
  mBeido     TIME         DEFAULT NULL,
  mKiido     TIME         DEFAULT NULL,
  mRkod      VARCHAR(5)   DEFAULT NULL,
  mBemerleg1 DOUBLE       DEFAULT 0,
  mBemeres1  DOUBLE       DEFAULT 0,
  mBemerleg2 DOUBLE       DEFAULT 0,
  mBemeres2  DOUBLE       DEFAULT 0,
  mKimerleg1 DOUBLE       DEFAULT 0,
  mKimeres1  DOUBLE       DEFAULT 0,
  mKimerleg2 DOUBLE       DEFAULT 0,
  mKimeres2  DOUBLE       DEFAULT 0,
  mTkod1     VARCHAR(5)   DEFAULT NULL,
  mTkod2     VARCHAR(5)   DEFAULT NULL,
  mKkod1     VARCHAR(5)   DEFAULT NULL,
  mKkod2     VARCHAR(5)   DEFAULT NULL,
  mOkod      VARCHAR(5)   DEFAULT NULL,
  mAkod      VARCHAR(5)   DEFAULT NULL,
  mMegj      VARCHAR(200) DEFAULT NULL,
  mTiszt     DOUBLE       DEFAULT 0,
  mViztart   DOUBLE       DEFAULT 0,
  mNetto1    DOUBLE       DEFAULT 0,
  mNetto2    DOUBLE       DEFAULT 0,
  PRIMARY KEY (IDm),
  KEY meres_bszam (mBszam),
  KEY meres_rkod (mRkod),
  KEY meres_okod (mOkod),
  KEY meres_tkod1 (mTkod1),
  KEY meres_tkod2 (mTkod2),
  KEY meres_kkod1 (mKkod1),
  KEY meres_kkod2 (mKkod2)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250;

-- Weighing tickets (two rows per ticket) and archive summary rows.
CREATE TABLE vello (
  IDj        BIGINT NOT NULL AUTO_INCREMENT,
  jBszam     VARCHAR(8)   DEFAULT NULL,
  jMbszam    VARCHAR(8)   DEFAULT NULL,
  jMozgas    VARCHAR(1)   DEFAULT NULL,
  jPot       VARCHAR(1)   DEFAULT NULL,
  jEgymeres  VARCHAR(1)   DEFAULT NULL,
  jDatum     DATE         DEFAULT NULL,
  jBeido     TIME         DEFAULT NULL,
  jKiido     TIME         DEFAULT NULL,
  jModDatum  DATE         DEFAULT NULL,
  jRogDatum  DATE         DEFAULT NULL,
  jBemeres   DOUBLE       DEFAULT 0,
  jKimeres   DOUBLE       DEFAULT 0,
  jNettoBe   DOUBLE       DEFAULT 0,
  jNettoKI   DOUBLE       DEFAULT 0,
  jBemerleg  DOUBLE       DEFAULT 0,
  jKimerleg  DOUBLE       DEFAULT 0,
  jTkod      VARCHAR(5)   DEFAULT NULL,
  jRkod      VARCHAR(5)   DEFAULT NULL,
  jKkod      VARCHAR(5)   DEFAULT NULL,
  jOkod      VARCHAR(5)   DEFAULT NULL,
  jAkod      VARCHAR(5)   DEFAULT NULL,
  jMegj      VARCHAR(200) DEFAULT NULL,
  jTiszt     DOUBLE       DEFAULT 0,
  jViztart   DOUBLE       DEFAULT 0,
  jPrn       VARCHAR(1)   DEFAULT NULL,
  jTorolt    VARCHAR(1)   DEFAULT NULL,
  PRIMARY KEY (IDj),
  KEY vello_bszam (jBszam),
  KEY vello_mbszam (jMbszam),
  KEY vello_datum (jDatum),
  KEY vello_tkod (jTkod, jDatum),
  KEY vello_rkod (jRkod),
  KEY vello_kkod (jKkod, jDatum),
  KEY vello_okod (jOkod, jDatum),
  KEY vello_torolt (jTorolt),
  -- The stock totals per crop, per producer and crop, per warehouse and crop
  -- read their sums from these alone, in the order of their grouping; the
  -- ticket number last, for the look-up that leaves voided tickets out.
  KEY vello_stock_tkod (jTkod, jBemeres, jKimeres, jNettoBe, jNettoKI, jOkod, jKkod, jBszam),
  KEY vello_stock_okod (jOkod, jTkod, jBemeres, jKimeres, jNettoBe, jNettoKI, jKkod, jBszam),
  KEY vello_stock_kkod (jKkod, jTkod, jBemeres, jKimeres, jNettoBe, jNettoKI, jOkod, jBszam)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250;

-- Voided tickets: a wrong ticket is never edited or deleted; it is voided
-- ("sztornó") and a corrected one may be issued under a new number. One row
-- per voided ticket number (the number of both its rows in vello), with who
-- voided it (workstation, database user), when (server time), why, and the
-- number of the ticket issued in its place (none when it was only voided).
-- The ticket table itself is unchanged: every statement that must leave
-- voided tickets out asks this table by the primary key. Voided tickets stay
-- in vello for good (archiving leaves them there), so a row here always
-- names rows of vello. `vello-create --upgrade` adds the table to an older
-- database, and the ticket number to the stock keys of vello.
CREATE TABLE sztorno (
  zBszam       VARCHAR(8)   NOT NULL,
  zIdo         DATETIME     NOT NULL,
  zGep         VARCHAR(64)  NOT NULL DEFAULT '',
  zFelhasznalo VARCHAR(160) NOT NULL DEFAULT '',
  zOk          VARCHAR(200) NOT NULL,
  zHelyette    VARCHAR(8)   DEFAULT NULL,
  PRIMARY KEY (zBszam),
  KEY sztorno_helyette (zHelyette)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250;

-- Archiving work table: whole rows copied from vello, ids included.
CREATE TABLE munka (
  IDj        BIGINT NOT NULL,
  jBszam     VARCHAR(8)   DEFAULT NULL,
  jMbszam    VARCHAR(8)   DEFAULT NULL,
  jMozgas    VARCHAR(1)   DEFAULT NULL,
  jPot       VARCHAR(1)   DEFAULT NULL,
  jEgymeres  VARCHAR(1)   DEFAULT NULL,
  jDatum     DATE         DEFAULT NULL,
  jBeido     TIME         DEFAULT NULL,
  jKiido     TIME         DEFAULT NULL,
  jModDatum  DATE         DEFAULT NULL,
  jRogDatum  DATE         DEFAULT NULL,
  jBemeres   DOUBLE       DEFAULT 0,
  jKimeres   DOUBLE       DEFAULT 0,
  jNettoBe   DOUBLE       DEFAULT 0,
  jNettoKI   DOUBLE       DEFAULT 0,
  jBemerleg  DOUBLE       DEFAULT 0,
  jKimerleg  DOUBLE       DEFAULT 0,
  jTkod      VARCHAR(5)   DEFAULT NULL,
  jRkod      VARCHAR(5)   DEFAULT NULL,
  jKkod      VARCHAR(5)   DEFAULT NULL,
  jOkod      VARCHAR(5)   DEFAULT NULL,
  jAkod      VARCHAR(5)   DEFAULT NULL,
  jMegj      VARCHAR(200) DEFAULT NULL,
  jTiszt     DOUBLE       DEFAULT 0,
  jViztart   DOUBLE       DEFAULT 0,
  jPrn       VARCHAR(1)   DEFAULT NULL,
  jTorolt    VARCHAR(1)   DEFAULT NULL,
  PRIMARY KEY (IDj),
  KEY munka_tkod (jTkod, jKkod),
  KEY munka_kkod (jKkod),
  KEY munka_rkod (jRkod),
  KEY munka_okod (jOkod)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250;

-- Archive: ticket rows with their register data copied in.
CREATE TABLE archiv (
  IDj         BIGINT NOT NULL AUTO_INCREMENT,
  jBszam      VARCHAR(8)   DEFAULT NULL,
  jMbszam     VARCHAR(8)   DEFAULT NULL,
  jMozgas     VARCHAR(1)   DEFAULT NULL,
  jPot        VARCHAR(1)   DEFAULT NULL,
  jEgymeres   VARCHAR(1)   DEFAULT NULL,
  jDatum      DATE         DEFAULT NULL,
  jBeido      TIME         DEFAULT NULL,
  jKiido      TIME         DEFAULT NULL,
  jModDatum   DATE         DEFAULT NULL,
  jRogDatum   DATE         DEFAULT NULL,
  jBemeres    DOUBLE       DEFAULT 0,
  jKimeres    DOUBLE       DEFAULT 0,
  jNettoBe    DOUBLE       DEFAULT 0,
  jNettoKI    DOUBLE       DEFAULT 0,
  jBemerleg   DOUBLE       DEFAULT 0,
  jKimerleg   DOUBLE       DEFAULT 0,
  jTkod       VARCHAR(5)   DEFAULT NULL,
  tMegnev     VARCHAR(45)  DEFAULT NULL,
  tMegjegy    VARCHAR(45)  DEFAULT NULL,
  tSztiszt    DOUBLE       DEFAULT 0,
  tSzviztart  DOUBLE       DEFAULT 0,
  jRkod       VARCHAR(5)   DEFAULT NULL,
  rRendszam   VARCHAR(25)  DEFAULT NULL,
  rTara       DOUBLE       DEFAULT 0,
  jKkod       VARCHAR(5)   DEFAULT NULL,
  kNev        VARCHAR(45)  DEFAULT NULL,
  jOkod       VARCHAR(5)   DEFAULT NULL,
  oNev        VARCHAR(45)  DEFAULT NULL,
  oIrszam     VARCHAR(4)   DEFAULT NULL,
  oHelysegnev VARCHAR(45)  DEFAULT NULL,
  oUtca       VARCHAR(45)  DEFAULT NULL,
  oAdoszam    VARCHAR(11)  DEFAULT NULL,
  jAkod       VARCHAR(5)   DEFAULT NULL,
  jMegj       VARCHAR(200) DEFAULT NULL,
  jTiszt      DOUBLE       DEFAULT 0,
  jViztart    DOUBLE       DEFAULT 0,
  jPrn        VARCHAR(1)   DEFAULT NULL,
  jTorolt     VARCHAR(1)   DEFAULT NULL,
  PRIMARY KEY (IDj),
  KEY archiv_datum (jDatum)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250;

-- The four registers below: a code is never held by two rows (a unique key
-- on the code column), since workstations on several nodes of a cluster
-- do not wait for each other's locks; the one that comes second is refused
-- and draws a new code. `vello-create --upgrade` adds these keys to an
-- older database.

-- Vehicle (plate) register.
CREATE TABLE rendszam (
  IDr        BIGINT NOT NULL AUTO_INCREMENT,
  rKod       VARCHAR(5)  DEFAULT NULL,
  rRendszam  VARCHAR(25) DEFAULT NULL,
  rTara      DOUBLE      DEFAULT 0,
  rNev       VARCHAR(45) DEFAULT NULL,
  rTelefon   VARCHAR(45) DEFAULT NULL,
  rCeg       VARCHAR(45) DEFAULT NULL,
  rCim       VARCHAR(45) DEFAULT NULL,
  rUgyintez  VARCHAR(45) DEFAULT NULL,
  rOkod      VARCHAR(5)  DEFAULT NULL,
  PRIMARY KEY (IDr),
  UNIQUE KEY rendszam_kod (rKod),
  KEY rendszam_rendszam (rRendszam),
  KEY rendszam_nev (rNev)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250;

-- Producer register (also the consignees of delivery notes).
CREATE TABLE termelo (
  IDo         BIGINT NOT NULL AUTO_INCREMENT,
  oKod        VARCHAR(5)  DEFAULT NULL,
  oNev        VARCHAR(45) DEFAULT NULL,
  oIrszam     VARCHAR(4)  DEFAULT NULL,
  oHelysegnev VARCHAR(45) DEFAULT NULL,
  oUtca       VARCHAR(45) DEFAULT NULL,
  oAdoszam    VARCHAR(11) DEFAULT NULL,
  oBankszla   VARCHAR(24) DEFAULT NULL,
  PRIMARY KEY (IDo),
  UNIQUE KEY termelo_kod (oKod),
  KEY termelo_nev (oNev),
  KEY termelo_helyseg (oHelysegnev)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250;

-- Crop register.
CREATE TABLE termeny (
  IDt        BIGINT NOT NULL AUTO_INCREMENT,
  tKod       VARCHAR(5)  DEFAULT NULL,
  tMegnev    VARCHAR(45) DEFAULT NULL,
  tMegjegy   VARCHAR(45) DEFAULT NULL,
  tSztiszt   DOUBLE      DEFAULT 0,
  tSzviztart DOUBLE      DEFAULT 0,
  tAr        DOUBLE      DEFAULT 0,
  tTisztAr   DOUBLE      DEFAULT 0,
  tSzaritAr  DOUBLE      DEFAULT 0,
  PRIMARY KEY (IDt),
  UNIQUE KEY termeny_kod (tKod),
  KEY termeny_megnev (tMegnev)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250;

-- Warehouse register.
CREATE TABLE raktar (
  IDk   BIGINT NOT NULL AUTO_INCREMENT,
  kKod  VARCHAR(5)  DEFAULT NULL,
  kNev  VARCHAR(45) DEFAULT NULL,
  kMegj VARCHAR(45) DEFAULT NULL,
  PRIMARY KEY (IDk),
  UNIQUE KEY raktar_kod (kKod),
  KEY raktar_nev (kNev)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250;

-- Document counters: the last number issued per kind. The kind is the
-- primary key (a cluster replicates a row by its primary key).
CREATE TABLE sorszam (
  sKod   VARCHAR(1)  NOT NULL,
  sBszam VARCHAR(20) DEFAULT NULL,
  PRIMARY KEY (sKod)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250;

-- The site row (IDa = 1): receiving company and scale port.
CREATE TABLE atvevo (
  IDa      INT NOT NULL DEFAULT 0,
  aNeve    VARCHAR(100) DEFAULT NULL,
  aIrszam  VARCHAR(10)  DEFAULT NULL,
  aHelyseg VARCHAR(100) DEFAULT NULL,
  aUtca    VARCHAR(100) DEFAULT NULL,
  aAdoszam VARCHAR(20)  DEFAULT NULL,
  aSzeria  VARCHAR(255) DEFAULT NULL,
  PRIMARY KEY (IDa)
) ENGINE=InnoDB DEFAULT CHARSET=cp1250;

-- Counters. Ticket numbers ("J") start at 0; archive summary numbers ("K")
-- start at 90000000, so within the 8 digits of jBszam the two sequences can
-- only meet after ninety million tickets.
INSERT INTO sorszam (sKod, sBszam) VALUES ('M', '0'), ('J', '0'), ('S', '0'), ('K', '90000000');

INSERT INTO atvevo (IDa, aNeve, aIrszam, aHelyseg, aUtca, aAdoszam, aSzeria)
  VALUES (1, '', '', '', '', '', '');

-- END SCHEMA

CREATE USER IF NOT EXISTS 'vello'@'localhost';
GRANT ALL PRIVILEGES ON vello.* TO 'vello'@'localhost';
CREATE USER IF NOT EXISTS 'vello'@'127.0.0.1';
GRANT ALL PRIVILEGES ON vello.* TO 'vello'@'127.0.0.1';

-- The alibi log: every weight that reaches a ticket, traceable to the reading
-- it came from. It lives in a database of its own beside the register's,
-- named after it with "_alibi" (`vello` -> `vello_alibi`; a test database
-- t_x gets t_x_alibi), on which the program's user may only INSERT and
-- SELECT: no statement of the program changes or removes an entry, and
-- archiving never touches it. An existing log is kept as it is (IF NOT
-- EXISTS), so re-creating the register database continues the same log.
-- utf8mb4, so that every text is stored and read back byte for byte, as the
-- chain value covers it.
CREATE DATABASE IF NOT EXISTS vello_alibi DEFAULT CHARACTER SET utf8mb4 COLLATE utf8mb4_bin;
USE vello_alibi;

-- BEGIN ALIBI SCHEMA

-- Log entries. `nr` runs 1, 2, 3, ... without gaps (each append takes the
-- last entry's number plus one under a lock). `lanc` is the chain value:
-- the lower-case hex SHA-256 of the netstrings ("<byte length>:<bytes>,")
-- of the previous entry's `lanc` (64 zeros before the first entry), `nr`,
-- `ido` ("yyyy-MM-dd hh:mm:ss"), `gep`, `forras`, `suly` (three decimals,
-- point), `szamjegy`, `allapot`, `port` and `nyers`, in this order, UTF-8.
CREATE TABLE IF NOT EXISTS naplo (
  nr        BIGINT        NOT NULL,
  ido       DATETIME      NOT NULL,
  gep       VARCHAR(64)   NOT NULL DEFAULT '',
  forras    VARCHAR(12)   NOT NULL,
  suly      DECIMAL(12,3) NOT NULL,
  szamjegy  VARCHAR(32)   NOT NULL DEFAULT '',
  allapot   VARCHAR(32)   NOT NULL DEFAULT '',
  port      VARCHAR(255)  NOT NULL DEFAULT '',
  nyers     VARCHAR(2000) NOT NULL DEFAULT '',
  lanc      CHAR(64)      NOT NULL,
  PRIMARY KEY (nr),
  KEY naplo_ido (ido)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_bin;

-- Which entry each stored weight came from: written with the pending
-- weighing (`IDm`, `bszam` empty) in the store's transaction, and carried to
-- the ticket number (`bszam`) by the finalisation as new rows, since the log
-- is append-only. `hely` is the measurement (1 the vehicle, 2 the trailer),
-- `irany` the direction ("B" entry, "K" exit).
CREATE TABLE IF NOT EXISTS kapcsolat (
  IDh    BIGINT     NOT NULL AUTO_INCREMENT,
  nr     BIGINT     NOT NULL,
  IDm    BIGINT     DEFAULT NULL,
  bszam  VARCHAR(8) DEFAULT NULL,
  hely   TINYINT    NOT NULL,
  irany  VARCHAR(1) NOT NULL,
  PRIMARY KEY (IDh),
  KEY kapcsolat_nr (nr),
  KEY kapcsolat_idm (IDm),
  KEY kapcsolat_bszam (bszam)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_bin;

-- The appenders' lock: one row that never changes. Each append first locks
-- it (SELECT ... FOR UPDATE), so appends from several workstations take turns
-- on a real row instead of meeting in the gap after the last entry, where
-- two locking reads would both be let in and then deadlock on their inserts.
CREATE TABLE IF NOT EXISTS zar (
  id  INT NOT NULL,
  PRIMARY KEY (id)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_bin;

INSERT IGNORE INTO zar (id) VALUES (1);

-- END ALIBI SCHEMA

-- INSERT and SELECT only (the underscore escaped: a grant's database name
-- is a pattern).
GRANT SELECT, INSERT ON `vello\_alibi`.* TO 'vello'@'localhost';
GRANT SELECT, INSERT ON `vello\_alibi`.* TO 'vello'@'127.0.0.1';
FLUSH PRIVILEGES;
