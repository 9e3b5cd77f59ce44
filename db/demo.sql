-- Demonstration data for a newcomer: a few vehicles, producers, crops and
-- warehouses. Loaded only by `vello-create --demo`.
INSERT INTO rendszam (rKod, rRendszam, rTara, rNev, rTelefon, rCeg, rCim, rUgyintez, rOkod) VALUES
 ('1', 'ABC-123', 8000, 'Kovács István', '06-30-123-4567', 'Kovács és Társa Kft.', 'Kiskunhalas, Fő u. 12.', 'Kovács Péter', '1'),
 ('2', 'GHK-456', 14500, 'Szabó János', '06-20-555-1234', 'Alföldi Fuvar Bt.', 'Kecskemét, Rákóczi út 3.', 'Szabó Anna', '2'),
 ('3', 'MNP-789', 6200, 'Tóth Gábor', '06-70-987-6543', 'Tóth Gazdaság', 'Jászberény, Kossuth tér 1.', 'Tóth Gábor', '3'),
 ('4', 'RST-012', 15800, 'Nagy Ferenc', '06-30-222-3333', 'Nagy Agro Kft.', 'Szentes, Ady E. u. 45.', 'Nagy Éva', '2');
INSERT INTO termelo (oKod, oNev, oIrszam, oHelysegnev, oUtca, oAdoszam, oBankszla) VALUES
 ('1', 'Kovács István', '6400', 'Kiskunhalas', 'Fő u. 12.', '12345678211', '11700000-12345678'),
 ('2', 'Alföldi Mag Zrt.', '6000', 'Kecskemét', 'Rákóczi út 3.', '23456789203', '10400000-23456789'),
 ('3', 'Tóth Gábor', '5100', 'Jászberény', 'Kossuth tér 1.', '34567890113', '11600000-34567890');
INSERT INTO termeny (tKod, tMegnev, tMegjegy, tSztiszt, tSzviztart) VALUES
 ('1', 'Búza', 'étkezési', 98, 14.5),
 ('2', 'Kukorica', 'takarmány', 97, 14),
 ('3', 'Napraforgó', 'olajipari', 96, 8),
 ('4', 'Árpa', 'takarmány', 98, 14.5);
INSERT INTO raktar (kKod, kNev, kMegj) VALUES
 ('1', 'Síkraktár 1', 'keleti csarnok'),
 ('2', 'Síkraktár 2', 'nyugati csarnok'),
 ('3', 'Siló', 'tornyos tároló');
UPDATE atvevo SET aNeve = 'Alföldi Gabona Kft.', aIrszam = '6400', aHelyseg = 'Kiskunhalas',
  aUtca = 'Majsai út 8.', aAdoszam = '11223344-2-03' WHERE IDa = 1;
