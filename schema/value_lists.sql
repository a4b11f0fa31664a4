--------------------------------------------------------------------------------
-- Wertlisten
--------------------------------------------------------------------------------

-- Strukturebenen des Leistungsverzeichnisses
DELETE FROM trevix.wl_lvstruktur;

INSERT INTO trevix.wl_lvstruktur (struktur_ebene, anzeigetext) VALUES (0, 'Los');
INSERT INTO trevix.wl_lvstruktur (struktur_ebene, anzeigetext) VALUES (1, 'Stufe 1');
INSERT INTO trevix.wl_lvstruktur (struktur_ebene, anzeigetext) VALUES (2, 'Stufe 2');
INSERT INTO trevix.wl_lvstruktur (struktur_ebene, anzeigetext) VALUES (3, 'Stufe 3');
INSERT INTO trevix.wl_lvstruktur (struktur_ebene, anzeigetext) VALUES (4, 'Stufe 4');

--******************************************************************************
-- Auftragstatus: die Zeilen des Mandanten schreibt die Mandanten-Wertliste
--******************************************************************************
delete from trevix.wl_auftragstatus;

-- Adressarten
insert into trevix.adresse_art values (1, 'kunde');
insert into trevix.adresse_art values (2, 'lieferant');
insert into trevix.adresse_art values (3, 'personal');

----------------------------------------
-- Lieferarten
----------------------------------------
	INSERT INTO trevix.wl_lieferart (lieferart, liefertext)
	VALUES ('L', 'Lieferung');
	INSERT INTO trevix.wl_lieferart (lieferart, liefertext)
	VALUES ('R', 'Rücklieferung');

-- Positionsarten
Insert Into trevix.wl_positionart (id, posarttext) Values (1, 'Mengenberechnung');
Insert Into trevix.wl_positionart (id, posarttext) Values (2, 'Vorhaltung/Miete');
Insert Into trevix.wl_positionart (id, posarttext) Values (3, 'Miete');

--******************************************************************************
-- Rechnungsarten
--******************************************************************************
  INSERT INTO trevix.wl_rechnungart (rechnungart_id, rechnungart_text) values (1, 'Abschlagsrechnung');
  INSERT INTO trevix.wl_rechnungart (rechnungart_id, rechnungart_text) values (2, 'Schlussrechnung');
  INSERT INTO trevix.wl_rechnungart (rechnungart_id, rechnungart_text) values (3, 'Rechnung');
  INSERT INTO trevix.wl_rechnungart (rechnungart_id, rechnungart_text) values (4, 'Gutschrift');

-- Mehrwertsteuer
INSERT INTO trevix.wl_mwst (id, steuersatz, von) VALUES (1, 19, '01.01.2008');

----------------------------------------
-- GAEB Positionsarten
----------------------------------------
INSERT INTO trevix.wl_gaeb_position_art (id, bezeichnung)
VALUES (1, 'Grundposition');
INSERT INTO trevix.wl_gaeb_position_art (id, bezeichnung)
VALUES (2, 'Alternativposition');
INSERT INTO trevix.wl_gaeb_position_art (id, bezeichnung)
VALUES (3, 'Nachtragsposition');
INSERT INTO trevix.wl_gaeb_position_art
----------------------------------------
VALUES (4, 'Bedarfsposition ohne Gesamtbetrag');
INSERT INTO trevix.wl_gaeb_position_art
-- Bezugsbeschreibung
(id, bezeichnung)
VALUES (5, 'Bezugsbeschreibung');
INSERT INTO trevix.wl_gaeb_position_art (id, bezeichnung)
VALUES (6, 'Wiederholungsbeschreibung');
INSERT INTO trevix.wl_gaeb_position_art (id, bezeichnung)
VALUES (7, 'Ausführungsbeschreibung');
INSERT INTO trevix.wl_gaeb_position_art (id, bezeichnung)
VALUES (8, 'Ausführung gemäß Ausführungsbeschreibung');
INSERT INTO trevix.wl_gaeb_position_art (id, bezeichnung)
VALUES (9, 'Wiederholungsbeschreibung zu OZ');
INSERT INTO trevix.wl_gaeb_position_art (id, bezeichnung)
VALUES (10, 'Leitbeschreibung');

--******************************************************************************
-- GAEB Strukturcodes: je Stufe eine Zifferngruppe, dann Position und Index
--******************************************************************************
insert into trevix.wl_gaeb_strukturcode (struktur_id, code, ebene)
values (-1, 'MIGRATION', -1)
;
insert into trevix.wl_gaeb_strukturcode (struktur_id, code, ebene)
values (5, 'PPPP.I', 5)
;
insert into trevix.wl_gaeb_strukturcode (struktur_id, code, ebene)
values (4, '11.PPPP.I', 4)
;
insert into trevix.wl_gaeb_strukturcode (struktur_id, code, ebene)
values (3, '11.22.PPPP.I', 3)
;
insert into trevix.wl_gaeb_strukturcode (struktur_id, code, ebene)
values (2, '11.22.33.PPPP.I', 2)
;
insert into trevix.wl_gaeb_strukturcode (struktur_id, code, ebene)
values (1, '11.22.33.44.PPPP.I', 1)
;
insert into trevix.wl_gaeb_strukturcode (struktur_id, code, ebene)
values (0, '1.22.33.44.55.PPPP.I', 0)
;
