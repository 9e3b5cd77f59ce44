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

-- The program's user reads and writes rows and nothing else (no table,
-- account or grant of its own making): SELECT, INSERT, UPDATE, DELETE.
CREATE USER IF NOT EXISTS 'vello'@'localhost';
GRANT SELECT, INSERT, UPDATE, DELETE ON vello.* TO 'vello'@'localhost';
CREATE USER IF NOT EXISTS 'vello'@'127.0.0.1';
GRANT SELECT, INSERT, UPDATE, DELETE ON vello.* TO 'vello'@'127.0.0.1';

-- The alibi log: every weight that reaches a ticket, traceable to the reading
-- it came from. It lives in a database of its own beside the register's,
-- named after it with "_alibi" (`vello` -> `vello_alibi`; a test database
-- t_x gets t_x_alibi). The program's user may only SELECT there and EXECUTE
-- its routines: every entry and every link is written by a routine below
-- (SQL SECURITY DEFINER), which numbers the entry, stamps the server's time
-- and computes the chain value itself; no statement of the program inserts,
-- changes or removes a row, and archiving never touches it. An existing log
-- is kept as it is (IF NOT EXISTS; the routines are replaced), so
-- re-creating the register database or upgrading continues the same log.
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
-- point), `szamjegy`, `allapot`, `port` and `nyers`, in this order, UTF-8
-- (the function lancertek below).
--
-- `forras` "mérleg", "kézi" and "törzs tára" are weights (bejegyez);
-- "mérlegjegy" is a finalised ticket (jegyez): `szamjegy` its number, `suly`
-- its total net, `nyers` its figures, "B1=<kg>@<nr>;B2=..;K1=..;K2=..;
-- N1=<net in>/<net out>;N2=..;T=<purity>;V=<moisture>" (every figure with
-- three decimals; <nr> the entry the weight is linked to, 0 when none).
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

-- A ticket's entry found by its number (a log made before ticket entries
-- gains the key on upgrade).
CREATE INDEX IF NOT EXISTS naplo_jegy ON naplo (forras, szamjegy);

-- Which entry each stored weight came from: written with the pending
-- weighing (`IDm`, `bszam` empty) in the store's transaction, and carried to
-- the ticket number (`bszam`) by the finalisation as new rows, since the log
-- is append-only. `hely` is the measurement (1 the vehicle, 2 the trailer),
-- `irany` the direction ("B" entry, "K" exit). A ticket has at most one link
-- per measurement and direction, written only by jegyez together with its
-- ticket entry, which names the same entries.
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

DELIMITER //

-- The chain value of an entry over the previous entry's (see naplo).
CREATE OR REPLACE FUNCTION lancertek(p_elozo CHAR(64), p_nr BIGINT, p_ido DATETIME, p_gep VARCHAR(64),
    p_forras VARCHAR(12), p_suly DECIMAL(12,3), p_szamjegy VARCHAR(32), p_allapot VARCHAR(32),
    p_port VARCHAR(255), p_nyers VARCHAR(2000)) RETURNS CHAR(64)
  DETERMINISTIC NO SQL SQL SECURITY DEFINER
BEGIN
  DECLARE t_nr VARCHAR(24) DEFAULT CAST(p_nr AS CHAR);
  DECLARE t_ido VARCHAR(19) DEFAULT DATE_FORMAT(p_ido, '%Y-%m-%d %H:%i:%s');
  DECLARE t_suly VARCHAR(24) DEFAULT CAST(p_suly AS CHAR);
  RETURN SHA2(CONCAT(LENGTH(p_elozo), ':', p_elozo, ',', LENGTH(t_nr), ':', t_nr, ',',
      LENGTH(t_ido), ':', t_ido, ',', LENGTH(p_gep), ':', p_gep, ',', LENGTH(p_forras), ':', p_forras, ',',
      LENGTH(t_suly), ':', t_suly, ',', LENGTH(p_szamjegy), ':', p_szamjegy, ',',
      LENGTH(p_allapot), ':', p_allapot, ',', LENGTH(p_port), ':', p_port, ',',
      LENGTH(p_nyers), ':', p_nyers, ','), 256);
END//

-- One weight: a scale read ("mérleg"), a typed weight ("kézi") or a register
-- tare ("törzs tára"). With p_idm given, the entry is linked at once to
-- measurement p_hely, direction p_irany of that pending weighing. Returns
-- the entry's number.
CREATE OR REPLACE FUNCTION bejegyez(p_gep VARCHAR(64), p_forras VARCHAR(12), p_suly DECIMAL(12,3),
    p_szamjegy VARCHAR(32), p_allapot VARCHAR(32), p_port VARCHAR(255), p_nyers VARCHAR(2000),
    p_idm BIGINT, p_hely TINYINT, p_irany VARCHAR(1)) RETURNS BIGINT
  NOT DETERMINISTIC MODIFIES SQL DATA SQL SECURITY DEFINER
BEGIN
  DECLARE v_nr BIGINT DEFAULT 0;
  DECLARE v_elozo CHAR(64) DEFAULT REPEAT('0', 64);
  DECLARE v_ido DATETIME;
  DECLARE v_zar INT DEFAULT NULL;
  DECLARE CONTINUE HANDLER FOR NOT FOUND BEGIN END;
  IF p_forras IS NULL OR p_forras NOT IN ('mérleg', 'kézi', 'törzs tára') THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'alibi: not a source of a weight';
  END IF;
  IF p_idm IS NOT NULL AND (p_idm < 1 OR p_hely IS NULL OR p_hely NOT IN (1, 2) OR p_irany IS NULL
      OR p_irany NOT IN ('B', 'K')) THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'alibi: not a measurement of a pending weighing';
  END IF;
  -- Appends take turns on the lock row; the last entry is then read with a
  -- locking read, the newest committed one whatever the caller's
  -- transaction read before. The entry's time is the server's when the
  -- lock was granted. (jegyez appends the same way.)
  SELECT id INTO v_zar FROM zar WHERE id = 1 FOR UPDATE;
  IF v_zar IS NULL THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'alibi: the lock row is missing';
  END IF;
  SET v_ido = SYSDATE();
  SELECT nr, lanc INTO v_nr, v_elozo FROM naplo ORDER BY nr DESC LIMIT 1 FOR UPDATE;
  SET v_nr = v_nr + 1;
  INSERT INTO naplo (nr, ido, gep, forras, suly, szamjegy, allapot, port, nyers, lanc)
    VALUES (v_nr, v_ido, p_gep, p_forras, p_suly, p_szamjegy, p_allapot, p_port, p_nyers,
      lancertek(v_elozo, v_nr, v_ido, p_gep, p_forras, p_suly, p_szamjegy, p_allapot, p_port, p_nyers));
  IF p_idm IS NOT NULL THEN
    INSERT INTO kapcsolat (nr, IDm, hely, irany) VALUES (v_nr, p_idm, p_hely, p_irany);
  END IF;
  RETURN v_nr;
END//

-- Links weight entry p_nr to measurement p_hely, direction p_irany of
-- pending weighing p_idm. Returns the link's IDh.
CREATE OR REPLACE FUNCTION kapcsol(p_nr BIGINT, p_idm BIGINT, p_hely TINYINT, p_irany VARCHAR(1)) RETURNS BIGINT
  NOT DETERMINISTIC MODIFIES SQL DATA SQL SECURITY DEFINER
BEGIN
  IF p_idm IS NULL OR p_idm < 1 OR p_hely IS NULL OR p_hely NOT IN (1, 2) OR p_irany IS NULL
      OR p_irany NOT IN ('B', 'K') THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'alibi: not a measurement of a pending weighing';
  END IF;
  IF NOT EXISTS (SELECT 1 FROM naplo WHERE nr = p_nr AND nr >= 1 AND forras <> 'mérlegjegy' LOCK IN SHARE MODE) THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'alibi: no such weight entry';
  END IF;
  INSERT INTO kapcsolat (nr, IDm, hely, irany) VALUES (p_nr, p_idm, p_hely, p_irany);
  RETURN LAST_INSERT_ID();
END//

-- The newest pending link of one measurement of p_idm (0: none) and the
-- check that weight p_suly is the linked entry's. A weight other than the
-- entry's fails with 'alibi-weight:<slot>:<entry>'.
CREATE OR REPLACE PROCEDURE jegy_hely(p_idm BIGINT, p_hely TINYINT, p_irany VARCHAR(1), p_suly DECIMAL(12,3),
    OUT p_nr BIGINT)
  READS SQL DATA SQL SECURITY DEFINER
BEGIN
  DECLARE v_suly DECIMAL(12,3);
  DECLARE v_uzenet VARCHAR(128);
  DECLARE CONTINUE HANDLER FOR NOT FOUND BEGIN END;
  SET p_nr = 0;
  IF p_suly <> 0 THEN
    SELECT k.nr, n.suly INTO p_nr, v_suly FROM kapcsolat k JOIN naplo n ON n.nr = k.nr
      WHERE k.IDm = p_idm AND k.bszam IS NULL AND k.hely = p_hely AND k.irany = p_irany
      ORDER BY k.IDh DESC LIMIT 1 LOCK IN SHARE MODE;
    IF p_nr <> 0 AND v_suly <> p_suly THEN
      SET v_uzenet = CONCAT('alibi-weight:', p_irany, p_hely, ':', p_nr);
      SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = v_uzenet;
    END IF;
  END IF;
END//

-- The finalisation of pending weighing p_idm as ticket p_bszam, in its
-- transaction: each weight other than 0 is checked against the newest entry
-- linked to its measurement, the links go over to the ticket, and a ticket
-- entry ("mérlegjegy") records the ticket's figures with those entry
-- numbers. A ticket number that has its entry or links already is refused.
-- Returns "<entry number> <chain value>".
CREATE OR REPLACE FUNCTION jegyez(p_gep VARCHAR(64), p_idm BIGINT, p_bszam VARCHAR(8),
    p_b1 DECIMAL(12,3), p_b2 DECIMAL(12,3), p_k1 DECIMAL(12,3), p_k2 DECIMAL(12,3),
    p_nb1 DECIMAL(12,3), p_nk1 DECIMAL(12,3), p_nb2 DECIMAL(12,3), p_nk2 DECIMAL(12,3),
    p_tiszt DECIMAL(12,3), p_viztart DECIMAL(12,3)) RETURNS VARCHAR(90)
  NOT DETERMINISTIC MODIFIES SQL DATA SQL SECURITY DEFINER
BEGIN
  DECLARE v_b1, v_b2, v_k1, v_k2, v_nr BIGINT DEFAULT 0;
  DECLARE v_zar INT DEFAULT NULL;
  DECLARE v_elozo CHAR(64) DEFAULT REPEAT('0', 64);
  DECLARE v_lanc CHAR(64);
  DECLARE v_ido DATETIME;
  DECLARE v_suly DECIMAL(12,3);
  DECLARE v_nyers VARCHAR(2000);
  DECLARE CONTINUE HANDLER FOR NOT FOUND BEGIN END;
  IF p_idm IS NULL OR p_bszam IS NULL OR p_bszam = '' OR p_b1 IS NULL OR p_b2 IS NULL OR p_k1 IS NULL
      OR p_k2 IS NULL OR p_nb1 IS NULL OR p_nk1 IS NULL OR p_nb2 IS NULL OR p_nk2 IS NULL OR p_tiszt IS NULL
      OR p_viztart IS NULL THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'alibi: a figure of the ticket is missing';
  END IF;
  -- in turn with every other append: no two finalisations of one number
  SELECT id INTO v_zar FROM zar WHERE id = 1 FOR UPDATE;
  IF v_zar IS NULL THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'alibi: the lock row is missing';
  END IF;
  IF EXISTS (SELECT 1 FROM naplo WHERE forras = 'mérlegjegy' AND szamjegy = p_bszam LOCK IN SHARE MODE)
      OR EXISTS (SELECT 1 FROM kapcsolat WHERE bszam = p_bszam LOCK IN SHARE MODE) THEN
    SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'alibi: the ticket is in the log already';
  END IF;
  CALL jegy_hely(p_idm, 1, 'B', p_b1, v_b1);
  CALL jegy_hely(p_idm, 2, 'B', p_b2, v_b2);
  CALL jegy_hely(p_idm, 1, 'K', p_k1, v_k1);
  CALL jegy_hely(p_idm, 2, 'K', p_k2, v_k2);
  INSERT INTO kapcsolat (nr, IDm, bszam, hely, irany)
    SELECT s.nr, p_idm, p_bszam, s.hely, s.irany FROM (
      SELECT v_b1 AS nr, 1 AS hely, 'B' AS irany UNION ALL SELECT v_b2, 2, 'B'
      UNION ALL SELECT v_k1, 1, 'K' UNION ALL SELECT v_k2, 2, 'K') s
    WHERE s.nr <> 0;
  SET v_nyers = CONCAT('B1=', CAST(p_b1 AS CHAR), '@', v_b1, ';B2=', CAST(p_b2 AS CHAR), '@', v_b2,
      ';K1=', CAST(p_k1 AS CHAR), '@', v_k1, ';K2=', CAST(p_k2 AS CHAR), '@', v_k2,
      ';N1=', CAST(p_nb1 AS CHAR), '/', CAST(p_nk1 AS CHAR), ';N2=', CAST(p_nb2 AS CHAR), '/', CAST(p_nk2 AS CHAR),
      ';T=', CAST(p_tiszt AS CHAR), ';V=', CAST(p_viztart AS CHAR));
  SET v_ido = SYSDATE();
  SELECT nr, lanc INTO v_nr, v_elozo FROM naplo ORDER BY nr DESC LIMIT 1 FOR UPDATE;
  SET v_nr = v_nr + 1;
  SET v_suly = p_nb1 + p_nk1 + p_nb2 + p_nk2;
  SET v_lanc = lancertek(v_elozo, v_nr, v_ido, p_gep, 'mérlegjegy', v_suly, p_bszam, '', '', v_nyers);
  INSERT INTO naplo (nr, ido, gep, forras, suly, szamjegy, allapot, port, nyers, lanc)
    VALUES (v_nr, v_ido, p_gep, 'mérlegjegy', v_suly, p_bszam, '', '', v_nyers, v_lanc);
  RETURN CONCAT(v_nr, ' ', v_lanc);
END//

DELIMITER ;

-- END ALIBI SCHEMA

-- SELECT and EXECUTE only: every entry and link goes through the routines
-- (the underscore escaped: a grant's database name is a pattern).
GRANT SELECT, EXECUTE ON `vello\_alibi`.* TO 'vello'@'localhost';
GRANT SELECT, EXECUTE ON `vello\_alibi`.* TO 'vello'@'127.0.0.1';
FLUSH PRIVILEGES;
