--
-- PostgreSQL database dump
--

-- Dumped from database version 10.3
-- Dumped by pg_dump version 10.3

-- Started on 2018-04-16 09:41:27

SET statement_timeout = 0;
SET lock_timeout = 0;
SET idle_in_transaction_session_timeout = 0;
SET client_encoding = 'UTF8';
SET standard_conforming_strings = on;
SELECT pg_catalog.set_config('search_path', '', false);
SET check_function_bodies = false;
SET client_min_messages = warning;
SET row_security = off;

--
-- TOC entry 8 (class 2615 OID 16385)
-- Name: trevix; Type: SCHEMA; Schema: -; Owner: postgres
--

--
-- TOC entry 186 (class 1255 OID 17210)
-- Name: berechne_rech_pos(date, integer); Type: FUNCTION; Schema: trevix; Owner: postgres
--

CREATE FUNCTION trevix.berechne_rech_pos(stichtag date, rechnung_id integer) RETURNS void
    LANGUAGE plpgsql
    AS $_$
DECLARE
  -- the parameter names are also column names of buch20 and buch22
  p_stichtag ALIAS FOR $1;
  p_rechnung_id ALIAS FOR $2;
  v_auftrag_id integer;
  v_bestand numeric := 0;
  v_zeile_bestand numeric;
  v_miete_bis date;
  v_tage integer;
  v_miete_menge integer;
  r record;
BEGIN
  -- the head lock keeps two sessions from replacing the items of one invoice at the same time
  SELECT r20.auftrag_id INTO v_auftrag_id
    FROM trevix.buch20 r20
   WHERE r20.rechnung_id = p_rechnung_id
     FOR NO KEY UPDATE;

  DELETE FROM trevix.buch22 b WHERE b.rechnung_id = p_rechnung_id;

  DROP TABLE IF EXISTS leistung;
  CREATE TEMPORARY TABLE leistung AS
    SELECT v.leistung_id, v.mandant, v.position_id, v.lieferdatum, v.vorhaltung_bis,
           v.vorhaltung_bis AS miete_bis,
           0.00::numeric AS bestand,
           0.00::numeric AS miete,
           0 AS miete_menge,
           v.lieferart, v.ep, v.epmiete, v.menge, v.aufmassblatt_id, v.aufmasszeile_id,
           v.mengeneinheit, v.tagesberechnung, v.positionsart, v.mietezeitraum, v.prozent
      FROM trevix.v_leistung v
     WHERE v.lieferdatum <= p_stichtag
       AND v.auftrag_id = v_auftrag_id;

  UPDATE leistung SET miete_bis = p_stichtag;
  -- a return ends its own provision period
  UPDATE leistung SET vorhaltung_bis = lieferdatum WHERE lieferart = 'R';

  -- Walk each position's lines in the order of their provision ends; the stock after a line is on
  -- site until the next line's provision period ends (a return: its date), at the latest the cut-off.
  FOR r IN
    SELECT l.leistung_id, l.position_id, l.lieferart, l.vorhaltung_bis, l.menge,
           l.tagesberechnung, l.mietezeitraum,
           lead(l.position_id) OVER walk AS next_position_id,
           lead(l.lieferart) OVER walk AS next_lieferart,
           lead(l.lieferdatum) OVER walk AS next_lieferdatum,
           lead(l.vorhaltung_bis) OVER walk AS next_vorhaltung_bis
      FROM leistung l
    WINDOW walk AS (ORDER BY l.position_id, l.vorhaltung_bis, l.menge, l.leistung_id)
     ORDER BY l.position_id, l.vorhaltung_bis, l.menge, l.leistung_id
  LOOP
    v_bestand := v_bestand + r.menge;
    v_zeile_bestand := v_bestand;
    IF r.next_position_id = r.position_id THEN
      v_miete_bis := CASE
        WHEN r.lieferart = 'L' AND r.next_lieferart = 'L' AND r.next_vorhaltung_bis < p_stichtag
          THEN r.next_vorhaltung_bis
        WHEN r.next_lieferart = 'R' THEN r.next_lieferdatum
        WHEN r.lieferart = 'L' AND r.next_vorhaltung_bis >= p_stichtag THEN p_stichtag
        WHEN r.lieferart = 'R' THEN r.next_vorhaltung_bis
      END;
    ELSE
      v_miete_bis := CASE WHEN r.lieferart IN ('L', 'R') THEN p_stichtag END;
      v_bestand := 0;
    END IF;
    IF v_miete_bis > p_stichtag THEN
      v_miete_bis := p_stichtag;
    END IF;

    v_tage := v_miete_bis - r.vorhaltung_bis;
    -- every interval is rounded up to whole rent periods on its own
    v_miete_menge := CASE
      WHEN r.tagesberechnung = false AND r.mietezeitraum = 'Woche' THEN
        CASE WHEN v_tage % 7 > 0 THEN abs(v_tage / 7) + 1
             WHEN v_tage % 7 = 0 THEN abs(v_tage / 7) END
      WHEN r.tagesberechnung = false AND r.mietezeitraum = 'Monat' THEN
        CASE WHEN v_tage % 30 > 0 THEN abs(v_tage / 30) + 1
             WHEN v_tage % 30 = 0 THEN abs(v_tage / 30) END
      ELSE v_tage
    END;

    UPDATE leistung
       SET miete_bis = v_miete_bis, bestand = v_zeile_bestand, miete_menge = v_miete_menge
     WHERE leistung_id = r.leistung_id;
  END LOOP;

  -- delivery items: the share of the unit price due on delivery
  INSERT INTO trevix.buch22 (mandant, rechnung_id, position_id, lieferdatum, vorhaltung_bis, miete_von,
                             miete_bis, bestand, miete, miete_menge, ep, ep_miete, menge,
                             aufmassblatt_id, aufmasszeile_id, text, lieferart, gp, prozent_ansatz)
  SELECT l.mandant, p_rechnung_id, l.position_id, l.lieferdatum, l.vorhaltung_bis, l.vorhaltung_bis + 1,
         l.miete_bis, l.bestand, l.miete, l.miete_menge, l.ep, l.epmiete, l.menge,
         l.aufmassblatt_id, l.aufmasszeile_id, 'Lieferung am ', l.lieferart,
         CASE l.positionsart
           WHEN 1 THEN round(l.ep * l.menge, 2)
           WHEN 2 THEN CASE WHEN l.prozent = 0 THEN round(l.ep * l.menge * 0.7, 2)
                            WHEN l.prozent > 0 THEN round(l.ep * l.menge * (l.prozent / 100), 2) END
           WHEN 3 THEN 0
         END,
         CASE l.positionsart WHEN 1 THEN 0 WHEN 2 THEN 70 WHEN 3 THEN 0 END
    FROM leistung l
   WHERE l.lieferart = 'L'
   ORDER BY l.lieferdatum, l.leistung_id;

  -- rent items: the stock on site after the provision period, interval by interval
  INSERT INTO trevix.buch22 (mandant, rechnung_id, position_id, lieferdatum, vorhaltung_bis, miete_von,
                             miete_bis, bestand, miete, miete_menge, ep, ep_miete, menge,
                             aufmassblatt_id, aufmasszeile_id, text, lieferart, gp, mietezeitraum)
  SELECT l.mandant, p_rechnung_id, l.position_id, l.lieferdatum, l.vorhaltung_bis, l.vorhaltung_bis + 1,
         l.miete_bis, l.bestand, l.miete, l.miete_menge, l.ep, l.epmiete, l.menge,
         l.aufmassblatt_id, l.aufmasszeile_id, 'Miete von/bis ', 'M',
         CASE WHEN l.tagesberechnung THEN round(l.epmiete / 7 * l.miete_menge * l.bestand, 2)
              WHEN NOT l.tagesberechnung THEN round(l.epmiete * l.miete_menge * l.bestand, 2) END,
         CASE
           WHEN l.mietezeitraum = 'Woche' AND l.tagesberechnung THEN
             CASE WHEN l.miete_menge = 1 THEN 'Tag' ELSE 'Tage' END
           WHEN l.mietezeitraum = 'Woche' AND NOT l.tagesberechnung THEN
             CASE WHEN l.miete_menge = 1 THEN 'Woche' ELSE 'Wochen' END
           WHEN l.mietezeitraum = 'Monat' AND NOT l.tagesberechnung THEN
             CASE WHEN l.miete_menge = 1 THEN 'Monat' ELSE 'Monate' END
         END
    FROM leistung l
   WHERE l.miete_menge > 0
     AND l.bestand > 0
     AND l.positionsart > 1
     AND l.vorhaltung_bis < l.miete_bis
   ORDER BY l.lieferdatum, l.leistung_id;

  -- return items: the share of the unit price due on return (returns carry negative quantities)
  INSERT INTO trevix.buch22 (mandant, rechnung_id, position_id, lieferdatum, vorhaltung_bis, miete_von,
                             miete_bis, bestand, miete, miete_menge, ep, ep_miete, menge,
                             aufmassblatt_id, aufmasszeile_id, text, lieferart, gp, prozent_ansatz)
  SELECT l.mandant, p_rechnung_id, l.position_id, l.lieferdatum, l.vorhaltung_bis, l.vorhaltung_bis + 1,
         l.miete_bis, l.bestand, l.miete, l.miete_menge, l.ep, l.epmiete, l.menge,
         l.aufmassblatt_id, l.aufmasszeile_id, 'Demontage am ', l.lieferart,
         CASE l.positionsart
           WHEN 2 THEN CASE WHEN l.prozent = 0 THEN round(l.ep * (-l.menge) * 0.3, 2)
                            WHEN l.prozent > 0 THEN round(l.ep * (-l.menge) * ((100 - l.prozent) / 100), 2) END
           WHEN 3 THEN 0
         END,
         CASE l.positionsart WHEN 1 THEN 0 WHEN 2 THEN 30 WHEN 3 THEN 0 END
    FROM leistung l
   WHERE l.lieferart = 'R'
   ORDER BY l.lieferdatum, l.leistung_id;

  -- closing rent items: a return on the latest movement date whose interval ends before the cut-off
  INSERT INTO trevix.buch22 (mandant, rechnung_id, position_id, lieferdatum, vorhaltung_bis, miete_von,
                             miete_bis, bestand, miete, miete_menge, ep, ep_miete, menge,
                             aufmassblatt_id, aufmasszeile_id, text, lieferart, gp)
  SELECT l.mandant, p_rechnung_id, l.position_id, l.lieferdatum, l.vorhaltung_bis, l.vorhaltung_bis + 1,
         p_stichtag, l.bestand, l.miete, l.miete_menge, l.ep, l.epmiete, l.menge,
         l.aufmassblatt_id, l.aufmasszeile_id, 'Miete von/bis ', 'M',
         l.epmiete * (-l.miete_menge) * l.menge
    FROM leistung l
   WHERE l.lieferdatum = (SELECT max(m.lieferdatum) FROM leistung m)
     AND l.lieferart = 'R'
     AND l.miete_bis < p_stichtag
     AND l.bestand > 0
   ORDER BY l.position_id, l.leistung_id;
END;
$_$;


ALTER FUNCTION trevix.berechne_rech_pos(stichtag date, rechnung_id integer) OWNER TO postgres;

--
-- TOC entry 187 (class 1255 OID 17211)
-- Name: berechne_vorhaltung(); Type: FUNCTION; Schema: trevix; Owner: postgres
--

CREATE FUNCTION trevix.berechne_vorhaltung() RETURNS trigger
    LANGUAGE plpgsql
    AS $$
DECLARE
  v_vorhaltezeit numeric;
  v_vorhaltezeitraum varchar(15);
  v_beginn date;
BEGIN
  SELECT p.vorhaltezeit, p.vorhaltezeitraum INTO v_vorhaltezeit, v_vorhaltezeitraum
    FROM trevix.auftrag10 p
   WHERE p.position_id = NEW.position_id;

  -- the provision period counts from the day before the delivery, so it includes the delivery day
  v_beginn := NEW.lieferdatum - 1;
  IF NEW.lieferart = 'R' THEN
    NEW.vorhaltung_bis := NEW.lieferdatum;
  ELSIF v_vorhaltezeitraum = 'Wochen' THEN
    NEW.vorhaltung_bis := v_beginn + v_vorhaltezeit * interval '7 days';
  ELSIF v_vorhaltezeitraum = 'Tage' THEN
    NEW.vorhaltung_bis := v_beginn + v_vorhaltezeit * interval '1 day';
  ELSIF v_vorhaltezeitraum = 'Monate' THEN
    -- calendar months keep the day of the month, or take the month's last day where it is shorter
    NEW.vorhaltung_bis := v_beginn + v_vorhaltezeit * interval '1 month';
  ELSE
    NEW.vorhaltung_bis := NEW.lieferdatum;
  END IF;
  RETURN NEW;
END;
$$;


ALTER FUNCTION trevix.berechne_vorhaltung() OWNER TO postgres;

--
-- TOC entry 188 (class 1255 OID 17212)
-- Name: copy_angebot(integer, integer, integer); Type: FUNCTION; Schema: trevix; Owner: postgres
--

CREATE FUNCTION trevix.copy_angebot(auftrag_id_quelle integer DEFAULT 1330, person_id_ziel integer DEFAULT 30, auftrag_art integer DEFAULT 53) RETURNS integer
    LANGUAGE plpgsql
    AS $_$
DECLARE
  v_mandant character(4);
  v_auftrag_id integer;
  v_auftragsnr varchar(10);
BEGIN
  SELECT a.mandant INTO v_mandant FROM trevix.auftrag01 a WHERE a.auftrag_id = $1;
  -- without a source head there is no order to hang nodes and positions on
  IF NOT FOUND THEN
    RETURN NULL;
  END IF;

  v_auftrag_id := trevix.nextnumber();
  v_auftragsnr := trevix.next_atnr(v_mandant, $3);

  INSERT INTO trevix.auftrag01 (auftrag_id, auftragsnr, person_id, status, art, auftragstatus_id,
         mandant, auftragsbez1, auftragsbez2, auftragsdatum, aktenzeichen, angebot_id, struktur_id, info,
         bearbeiter, einbehaltprozent, einbehaltart, rechzeitraum, rechneuam, nachschuss, keinemahnung,
         projektart_id, prozent, nachlass, adress_id, mwstnr, mwstprozent, tagesberechnung, skontotage,
         skontoprozent, zahlungsziel, zahlungszielabschl, zahlungszielschlus, lieferbewertung,
         prozentmatmiete, textauftragsbeginn, textauftragsende, benutzer, save_time, poskenn_id,
         zwischensumme_leistung)
  SELECT v_auftrag_id, v_auftragsnr, $2, CASE WHEN $3 = 52 THEN 1 ELSE 2 END, $3, $3,
         a.mandant, a.auftragsbez1, a.auftragsbez2, a.auftragsdatum, a.aktenzeichen, a.angebot_id, a.struktur_id, a.info,
         a.bearbeiter, a.einbehaltprozent, a.einbehaltart, a.rechzeitraum, a.rechneuam, a.nachschuss, a.keinemahnung,
         a.projektart_id, a.prozent, a.nachlass, a.adress_id, a.mwstnr, a.mwstprozent, a.tagesberechnung, a.skontotage,
         a.skontoprozent, a.zahlungsziel, a.zahlungszielabschl, a.zahlungszielschlus, a.lieferbewertung,
         a.prozentmatmiete, a.textauftragsbeginn, a.textauftragsende, a.benutzer, a.save_time, a.poskenn_id,
         a.zwischensumme_leistung
    FROM trevix.auftrag01 a
   WHERE a.auftrag_id = $1;

  -- gewerke maps every structure node of the source to the id of its copy
  DROP TABLE IF EXISTS gewerke;
  CREATE TEMPORARY TABLE gewerke AS
    SELECT s.struktur_id, s.auftrag_id, s.auftragsnr, s.mandant, s.struktur_code, s.struktur_ebene,
           s.gewerktext, s.benutzer, s.save_time, s.nachlass, s.listtext,
           trevix.nextnumber()::integer AS struktur_id_neu
      FROM trevix.auftrag05 s
     WHERE s.auftrag_id = $1;

  INSERT INTO trevix.auftrag05 (struktur_id, auftrag_id, mandant, struktur_code, struktur_ebene,
                                gewerktext, benutzer, save_time, nachlass, listtext)
  SELECT g.struktur_id_neu, v_auftrag_id, g.mandant, g.struktur_code, g.struktur_ebene,
         g.gewerktext, g.benutzer, g.save_time, g.nachlass, g.listtext
    FROM gewerke g;

  -- a structure reference outside the source order has no copy and becomes NULL
  INSERT INTO trevix.auftrag10 (auftrag_id, mandant, los_id, s1_id, s2_id, s3_id, s4_id, pos,
         position_index, poskenn_id, kurztext, langtext, ep, mengeneinheit, epmiete, vorhaltezeit,
         vorhaltezeitraum, mietezeitraum, positionsart, menge, gp, nachtrag_id, alternativpos,
         amblabrechnung, lieferbewertung, benutzer, posnrmiete, tagesberechnung)
  SELECT v_auftrag_id, p.mandant,
         (SELECT g.struktur_id_neu FROM gewerke g WHERE g.struktur_id = p.los_id),
         (SELECT g.struktur_id_neu FROM gewerke g WHERE g.struktur_id = p.s1_id),
         (SELECT g.struktur_id_neu FROM gewerke g WHERE g.struktur_id = p.s2_id),
         (SELECT g.struktur_id_neu FROM gewerke g WHERE g.struktur_id = p.s3_id),
         (SELECT g.struktur_id_neu FROM gewerke g WHERE g.struktur_id = p.s4_id),
         p.pos, p.position_index, p.poskenn_id, p.kurztext, p.langtext, p.ep, p.mengeneinheit, p.epmiete,
         p.vorhaltezeit, p.vorhaltezeitraum, p.mietezeitraum, p.positionsart, p.menge, p.gp, p.nachtrag_id,
         p.alternativpos, p.amblabrechnung, p.lieferbewertung, p.benutzer, p.posnrmiete, p.tagesberechnung
    FROM trevix.auftrag10 p
   WHERE p.auftrag_id = $1;

  RETURN v_auftrag_id;
END;
$_$;


ALTER FUNCTION trevix.copy_angebot(auftrag_id_quelle integer, person_id_ziel integer, auftrag_art integer) OWNER TO postgres;

--
-- TOC entry 189 (class 1255 OID 17213)
-- Name: copy_position(integer); Type: FUNCTION; Schema: trevix; Owner: postgres
--

CREATE FUNCTION trevix.copy_position(pos_id integer DEFAULT 17540) RETURNS boolean
    LANGUAGE plpgsql
    AS $_$
BEGIN
  INSERT INTO trevix.auftrag10 (auftrag_id, mandant, los_id, s1_id, s2_id, s3_id, s4_id, pos,
         position_index, poskenn_id, kurztext, langtext, ep, mengeneinheit, epmiete, vorhaltezeit,
         vorhaltezeitraum, mietezeitraum, positionsart, menge, gp, nachtrag_id, alternativpos,
         amblabrechnung, lieferbewertung, benutzer, save_time, posnrmiete, temp_id, tagesberechnung)
  SELECT p.auftrag_id, p.mandant, p.los_id, p.s1_id, p.s2_id, p.s3_id, p.s4_id, '01CP',
         p.position_index, p.poskenn_id, p.kurztext, p.langtext, p.ep, p.mengeneinheit, p.epmiete, p.vorhaltezeit,
         p.vorhaltezeitraum, p.mietezeitraum, p.positionsart, p.menge, p.gp, p.nachtrag_id, p.alternativpos,
         p.amblabrechnung, p.lieferbewertung, p.benutzer, p.save_time, p.posnrmiete, p.temp_id, p.tagesberechnung
    FROM trevix.auftrag10 p
   WHERE p.position_id = $1;
  RETURN true;
END;
$_$;


ALTER FUNCTION trevix.copy_position(pos_id integer) OWNER TO postgres;

--
-- TOC entry 190 (class 1255 OID 17214)
-- Name: insert_listtext(); Type: FUNCTION; Schema: trevix; Owner: postgres
--

CREATE FUNCTION trevix.insert_listtext() RETURNS trigger
    LANGUAGE plpgsql
    AS $$
BEGIN
  -- the fixed-width code enters without its filling blanks
  NEW.listtext := rtrim(NEW.struktur_code) || ' ' || NEW.gewerktext;
  RETURN NEW;
END;
$$;


ALTER FUNCTION trevix.insert_listtext() OWNER TO postgres;

--
-- TOC entry 191 (class 1255 OID 17215)
-- Name: next_atnr(text, integer); Type: FUNCTION; Schema: trevix; Owner: postgres
--

CREATE FUNCTION trevix.next_atnr(p_mandant text DEFAULT 'kvt'::text, p_art integer DEFAULT 53) RETURNS text
    LANGUAGE plpgsql
    AS $$
DECLARE
  v_jahr integer;
  v_belegnr integer;
  v_atnr varchar(10);
BEGIN
  -- the number follows the clock, not the date of any document
  v_jahr := extract(year FROM current_timestamp);

  SELECT coalesce(max(n.belegnr), 0) + 1 INTO v_belegnr
    FROM trevix.auftrag01nr n
   WHERE n.jahr = v_jahr AND n.belegart = p_art AND n.mandant = p_mandant;

  -- kind, year and running number each have a fixed width in the ten-digit number
  IF p_art NOT BETWEEN 0 AND 99 THEN
    RAISE EXCEPTION 'order kind % does not fit the two digits of an order number', p_art
      USING ERRCODE = 'numeric_value_out_of_range';
  END IF;
  IF v_belegnr > 9999 THEN
    RAISE EXCEPTION 'order numbers of kind % for % are used up (at most 9999 a year)', p_art, v_jahr
      USING ERRCODE = 'numeric_value_out_of_range';
  END IF;

  INSERT INTO trevix.auftrag01nr (mandant, belegart, belegnr, jahr)
  VALUES (p_mandant, p_art, v_belegnr, v_jahr);

  v_atnr := replace(to_char(p_art, '00') || to_char(v_jahr, '0000') || to_char(v_belegnr, '0000'), ' ', '');
  RETURN v_atnr;
END;
$$;


ALTER FUNCTION trevix.next_atnr(p_mandant text, p_art integer) OWNER TO postgres;

--
-- TOC entry 192 (class 1255 OID 17216)
-- Name: next_kdnr(text); Type: FUNCTION; Schema: trevix; Owner: postgres
--

CREATE FUNCTION trevix.next_kdnr("Mandant" text DEFAULT 'QZ7K'::text) RETURNS text
    LANGUAGE plpgsql
    AS $_$
DECLARE
  v_kdnr varchar(12);
  v_prefix varchar(6);
  v_breite integer;
  v_zaehler bigint;
BEGIN
  -- the row lock keeps concurrent callers from issuing the same number
  SELECT c.kdnr, c.prefix INTO v_kdnr, v_prefix
    FROM trevix.sys_cnt_kundennummer c
   WHERE c.mandant = $1
     FOR UPDATE;

  -- the stored number's width sets the width of every later number
  v_breite := length(v_kdnr);
  v_zaehler := to_number(v_kdnr, repeat('9', v_breite)) + 1;
  IF length(v_zaehler::text) > v_breite THEN
    RAISE EXCEPTION 'customer numbers of tenant % are used up (counter % has no room for another number)', $1, v_kdnr
      USING ERRCODE = 'numeric_value_out_of_range';
  END IF;
  v_kdnr := trim(to_char(v_zaehler, repeat('0', v_breite)));

  UPDATE trevix.sys_cnt_kundennummer c SET kdnr = v_kdnr WHERE c.mandant = $1;

  -- an unset prefix means no prefix, so the number just taken is still handed out
  RETURN coalesce(trim(v_prefix), '') || v_kdnr;
END;
$_$;


ALTER FUNCTION trevix.next_kdnr("Mandant" text) OWNER TO postgres;

--
-- TOC entry 193 (class 1255 OID 17217)
-- Name: next_renr(text, date, character); Type: FUNCTION; Schema: trevix; Owner: postgres
--

CREATE FUNCTION trevix.next_renr(p_mandant text DEFAULT 'kvt'::text, p_belegdatum date DEFAULT now(), p_buchungkreis character DEFAULT '00'::bpchar) RETURNS text
    LANGUAGE plpgsql
    AS $_$
DECLARE
  v_jahr integer;
  v_monat integer;
  v_laufende_nr integer;
  v_renr varchar(7);
BEGIN
  v_jahr := extract(year FROM $2);
  v_monat := extract(month FROM $2);

  SELECT coalesce(max(n.laufende_nr), 0) + 1 INTO v_laufende_nr
    FROM trevix.buch20a n
   WHERE n.jahr = v_jahr AND n.monat = v_monat AND n.mandant = $1 AND n.buchungkreis = $3;

  -- year, month and running number each have a fixed width in the seven-digit number
  IF v_jahr NOT BETWEEN 2000 AND 2099 THEN
    RAISE EXCEPTION 'invoice date % lies outside the years 2000 to 2099 that invoice numbers can hold', $2
      USING ERRCODE = 'numeric_value_out_of_range';
  END IF;
  IF v_laufende_nr > 999 THEN
    RAISE EXCEPTION 'invoice numbers of booking circle % for %-% are used up (at most 999 a month)', $3, v_jahr, v_monat
      USING ERRCODE = 'numeric_value_out_of_range';
  END IF;

  v_renr := replace(to_char(v_jahr - 2000, '00') || to_char(v_monat, '00') || to_char(v_laufende_nr, '000'), ' ', '');

  INSERT INTO trevix.buch20a (mandant, buchungkreis, belegnr, belegdatum, jahr, monat, laufende_nr)
  VALUES ($1, $3, v_renr, $2, v_jahr, v_monat, v_laufende_nr);

  RETURN v_renr;
END;
$_$;


ALTER FUNCTION trevix.next_renr(p_mandant text, p_belegdatum date, p_buchungkreis character) OWNER TO postgres;

--
-- TOC entry 194 (class 1255 OID 17218)
-- Name: next_standardleistung_nr(character); Type: FUNCTION; Schema: trevix; Owner: postgres
--

CREATE FUNCTION trevix.next_standardleistung_nr(mandant character DEFAULT 'QZ7K'::text) RETURNS character
    LANGUAGE plpgsql
    AS $$
DECLARE
  v_nr integer;
BEGIN
  -- the catalogue numbers its services across all tenants; an empty catalogue starts at 1
  SELECT coalesce(max(s.pos)::integer, 0) + 1 INTO v_nr
    FROM trevix.standlstg01 s;

  IF v_nr > 9999 THEN
    RAISE EXCEPTION 'standard service numbers are used up (at most 9999)'
      USING ERRCODE = 'numeric_value_out_of_range';
  END IF;
  RETURN trim(to_char(v_nr, '0000'));
END;
$$;


ALTER FUNCTION trevix.next_standardleistung_nr(mandant character) OWNER TO postgres;

--
-- TOC entry 195 (class 1255 OID 17219)
-- Name: nextnumber(); Type: FUNCTION; Schema: trevix; Owner: postgres
--

CREATE FUNCTION trevix.nextnumber() RETURNS numeric
    LANGUAGE plpgsql
    AS $$
DECLARE
  v_id integer;
BEGIN
  v_id := nextval('trevix.vlm1_sequence');
  RETURN v_id;
END;
$$;


ALTER FUNCTION trevix.nextnumber() OWNER TO postgres;

SET default_tablespace = '';

SET default_with_oids = false;

--
-- TOC entry 196 (class 1259 OID 16386)
-- Name: adresse_art; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.adresse_art (
    adresse_art_id integer NOT NULL,
    adresse_art_bez character varying(20),
    benutzer character varying(50)
);


ALTER TABLE trevix.adresse_art OWNER TO postgres;

--
-- TOC entry 197 (class 1259 OID 16389)
-- Name: vlm1_sequence; Type: SEQUENCE; Schema: trevix; Owner: postgres
--

CREATE SEQUENCE trevix.vlm1_sequence
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    MAXVALUE 1000000000
    CACHE 1;


ALTER TABLE trevix.vlm1_sequence OWNER TO postgres;

--
-- TOC entry 198 (class 1259 OID 16392)
-- Name: adresse_art_zuweisung; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.adresse_art_zuweisung (
    adresse_art_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    person_id integer NOT NULL,
    mandant character varying(50) DEFAULT 'kvt'::character varying NOT NULL,
    kunden_nr character varying(12),
    lieferant_nr character varying(12),
    personal_nr character varying(12),
    gruppe_person_id integer,
    person_nr_extern character varying(12),
    person_nr_buch character varying(12),
    skontoprozent numeric(4,3),
    skontotage integer,
    zahlungsziel integer,
    rabatt numeric(6,3),
    zahlungszielabschl integer,
    zahlungszielschlus integer,
    info text,
    benutzer character varying(50)
);


ALTER TABLE trevix.adresse_art_zuweisung OWNER TO postgres;

--
-- TOC entry 199 (class 1259 OID 16395)
-- Name: adresse_art_zuweisung_adresse_art_id_seq; Type: SEQUENCE; Schema: trevix; Owner: postgres
--

CREATE SEQUENCE trevix.adresse_art_zuweisung_adresse_art_id_seq
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1;


ALTER TABLE trevix.adresse_art_zuweisung_adresse_art_id_seq OWNER TO postgres;

--
-- TOC entry 200 (class 1259 OID 16398)
-- Name: artikel01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.artikel01 (
    hwg_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    hwgbez character varying(80) NOT NULL,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL,
    hwgnr_temp character varying(50)
);


ALTER TABLE trevix.artikel01 OWNER TO postgres;

--
-- TOC entry 201 (class 1259 OID 16401)
-- Name: artikel02; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.artikel02 (
    wg_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    wgkurzbez character varying(10),
    wgbez character varying(80) NOT NULL,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL,
    wgnr_temp character varying(4),
    hwg_id integer
);


ALTER TABLE trevix.artikel02 OWNER TO postgres;

--
-- TOC entry 202 (class 1259 OID 16404)
-- Name: artikel03; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.artikel03 (
    hwg_id integer NOT NULL,
    wg_id integer NOT NULL,
    artikel_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character varying(4) DEFAULT 'kvt'::character varying NOT NULL,
    artikelnr character varying(15) NOT NULL,
    kurztext1 character varying(200) NOT NULL,
    kurztext2 character varying(120),
    langtext text,
    mengeneinheit character varying(7),
    ek numeric(10,3),
    rabattgruppe character varying(4),
    vk numeric(12,3),
    mietfaktor numeric(6,3),
    gewicht numeric(8,3),
    abmessung character varying(30),
    artikelnrref character varying(15),
    art numeric(5,0),
    bestand numeric(10,3),
    alternativpos numeric(1,0),
    bewertung integer,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL,
    hwgnr character varying(4),
    wgnr character varying(10)
);


ALTER TABLE trevix.artikel03 OWNER TO postgres;

--
-- TOC entry 203 (class 1259 OID 16407)
-- Name: aufmassblatt; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.aufmassblatt (
    aufmassblatt_id integer NOT NULL,
    aufttrag_id integer,
    aufmassbezeichnung character varying(200),
    aufmassdatum date NOT NULL,
    "Bemerkungen" text,
    benutzer character varying(50)
);


ALTER TABLE trevix.aufmassblatt OWNER TO postgres;

--
-- TOC entry 204 (class 1259 OID 16410)
-- Name: aufmassformel; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.aufmassformel (
    aufmassformel_id integer NOT NULL,
    aufmasszeile_id integer NOT NULL,
    formel_id integer,
    wert1 numeric(15,5),
    wert2 numeric(15,5),
    wert3 numeric(15,5),
    wet4 numeric(15,5),
    wert5 numeric(15,5),
    wert6 numeric(15,5),
    wert7 numeric(15,5),
    wert8 numeric(15,5),
    wert9 numeric(15,5),
    wert10 numeric(15,5),
    benutzer character varying(50)
);


ALTER TABLE trevix.aufmassformel OWNER TO postgres;

--
-- TOC entry 205 (class 1259 OID 16413)
-- Name: aufmasszeile; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.aufmasszeile (
    aufmasszeile_id integer NOT NULL,
    aufmassblatt_id integer NOT NULL,
    "Beschreibung" character varying(200),
    position_id integer NOT NULL,
    "Bemerkung" text,
    benutzer character varying(50)
);


ALTER TABLE trevix.aufmasszeile OWNER TO postgres;

--
-- TOC entry 206 (class 1259 OID 16416)
-- Name: auftrag01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.auftrag01 (
    auftrag_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    auftragsnr character varying(10) NOT NULL,
    auftragsbez1 character varying(200),
    auftragsbez2 character varying(200),
    auftragsdatum date,
    person_id integer NOT NULL,
    aktenzeichen character varying(200),
    angebot_id character varying(10),
    struktur_id integer DEFAULT 0 NOT NULL,
    info text,
    bearbeiter character varying(30),
    einbehaltprozent numeric(5,2),
    einbehaltart character(1),
    rechzeitraum numeric(3,0),
    rechneuam date,
    nachschuss smallint,
    keinemahnung smallint,
    projektart_id integer,
    prozent numeric(6,2),
    nachlass numeric(6,2) DEFAULT 0,
    status integer,
    adress_id character varying(14),
    mwstnr character varying(10),
    mwstprozent numeric(5,2) DEFAULT 19.00 NOT NULL,
    tagesberechnung smallint,
    skontotage numeric(5,0),
    skontoprozent numeric(4,2),
    zahlungsziel numeric(5,0),
    zahlungszielabschl numeric(5,0),
    zahlungszielschlus numeric(5,0),
    lieferbewertung numeric(1,0),
    prozentmatmiete numeric(5,3),
    textauftragsbeginn text,
    textauftragsende text,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL,
    art integer,
    poskenn_id integer,
    auftragstatus_id integer,
    zwischensumme_leistung boolean,
    bearbeiter_k character varying(30)
);


ALTER TABLE trevix.auftrag01 OWNER TO postgres;

--
-- TOC entry 207 (class 1259 OID 16419)
-- Name: auftrag01_n; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.auftrag01_n (
    nachtrag_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    auftrag_id integer NOT NULL,
    mandant character varying(4) DEFAULT 'kvt'::character varying NOT NULL,
    nachtragnr integer NOT NULL,
    text character varying(100) NOT NULL,
    datum date NOT NULL,
    textauftragsbeginn text,
    textauftragsende text,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now(),
    auftragsnr character varying(10)
);


ALTER TABLE trevix.auftrag01_n OWNER TO postgres;

--
-- TOC entry 208 (class 1259 OID 16422)
-- Name: auftrag01_p; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.auftrag01_p (
    auftrag_id integer NOT NULL,
    partner_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character varying(4) DEFAULT 'kvt'::character varying NOT NULL,
    name character varying(30),
    vorname character varying(30),
    funktion character varying(30),
    telefon_f character varying(30),
    telefon_m character varying(30),
    fax character varying(20),
    mail character varying(100),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.auftrag01_p OWNER TO postgres;

--
-- TOC entry 209 (class 1259 OID 16425)
-- Name: auftrag01nr; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.auftrag01nr (
    mandant character varying(4) DEFAULT 'KVT'::character varying NOT NULL,
    belegart integer NOT NULL,
    belegnr integer NOT NULL,
    jahr integer NOT NULL,
    benutzer character varying(50)
);


ALTER TABLE trevix.auftrag01nr OWNER TO postgres;

--
-- TOC entry 210 (class 1259 OID 16428)
-- Name: auftrag05; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.auftrag05 (
    struktur_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    auftrag_id integer,
    mandant character varying(4) DEFAULT 'kvt'::character varying NOT NULL,
    struktur_code character(3) DEFAULT '000'::bpchar NOT NULL,
    struktur_ebene integer NOT NULL,
    gewerktext character varying(30) DEFAULT ''::character varying NOT NULL,
    benutzer character varying(30) DEFAULT NULL::character varying,
    save_time timestamp without time zone DEFAULT now(),
    nachlass numeric(6,2) DEFAULT NULL::numeric,
    listtext character varying(200),
    auftragsnr character varying(15)
);


ALTER TABLE trevix.auftrag05 OWNER TO postgres;

--
-- TOC entry 211 (class 1259 OID 16431)
-- Name: auftrag10; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.auftrag10 (
    position_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    auftrag_id integer NOT NULL,
    mandant character varying(4) DEFAULT 'kvt'::character varying NOT NULL,
    los_id integer,
    s1_id integer,
    s2_id integer,
    s3_id integer,
    s4_id integer,
    pos character varying(8),
    teilleistungindex character(14),
    position_index character(1),
    poskenn_id integer,
    gaeb_pos_id integer DEFAULT 1 NOT NULL,
    zu_pos_id integer,
    kurztext character varying(300),
    langtext text,
    ep numeric(10,3),
    mengeneinheit character varying(7),
    epmiete numeric(10,3),
    mietegp numeric(10,3),
    mietdauer integer,
    vorhaltezeit numeric(2,0),
    vorhaltezeitraum character varying(15),
    mietezeitraum character varying(15),
    positionsart numeric(1,0) DEFAULT 0,
    menge numeric(10,3),
    gp numeric(12,2),
    nachtrag_id integer,
    alternativpos numeric(1,0),
    amblabrechnung numeric(1,0),
    lieferbewertung numeric(1,0),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now(),
    posnrmiete character varying(15),
    temp_id integer,
    tagesberechnung boolean DEFAULT false,
    id integer
);


ALTER TABLE trevix.auftrag10 OWNER TO postgres;

--
-- TOC entry 212 (class 1259 OID 16434)
-- Name: auftrag20; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.auftrag20 (
    bild_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character varying(4) DEFAULT 'kvt'::character varying NOT NULL,
    auftrag_id integer NOT NULL,
    bild_bezeichnung character varying(200) NOT NULL,
    bild bytea NOT NULL,
    benutzer character varying(50)
);


ALTER TABLE trevix.auftrag20 OWNER TO postgres;

--
-- TOC entry 213 (class 1259 OID 16437)
-- Name: auftrag30; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.auftrag30 (
    dokument_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character varying(4) DEFAULT 'kvt'::character varying NOT NULL,
    auftrag_id integer NOT NULL,
    doku_bezeichnung character varying(100) NOT NULL,
    doku bytea,
    doku_art character varying(10) NOT NULL,
    doku_struktur_id integer,
    benutzer character varying(50)
);


ALTER TABLE trevix.auftrag30 OWNER TO postgres;

--
-- TOC entry 214 (class 1259 OID 16440)
-- Name: bestell01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.bestell01 (
    bestellnr character varying(10) DEFAULT ''::character varying NOT NULL,
    personnr character varying(6) DEFAULT ''::character varying NOT NULL,
    niederlassung character(2) DEFAULT ''::bpchar NOT NULL,
    datum date NOT NULL,
    benutzer character varying(50)
);


ALTER TABLE trevix.bestell01 OWNER TO postgres;

--
-- TOC entry 215 (class 1259 OID 16443)
-- Name: bestell02; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.bestell02 (
    bestellnr character varying(10),
    posnr numeric(3,0),
    artikelnr character varying(15),
    menge numeric(10,3),
    mengeneinheit character varying(7),
    kurztext character varying(200),
    langtext text,
    nachlass numeric(6,2),
    ep numeric(10,3),
    gp numeric(12,2),
    mwstnr character varying(10),
    lieferdatum date,
    prozent numeric(6,2),
    mwstprozent real,
    lagernr character(3),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.bestell02 OWNER TO postgres;

--
-- TOC entry 216 (class 1259 OID 16446)
-- Name: brief01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.brief01 (
    briefnr character varying(30) DEFAULT ''::character varying NOT NULL,
    langtext text,
    personnr character varying(6),
    niederlassung character(2),
    auftragsnr character varying(10),
    datum date,
    betreff character varying(100),
    briefihrezeichen character varying(40),
    anredetext character varying(50),
    briefunserezeichen character varying(40),
    briefvom date,
    wvdatum date,
    vorlage numeric(5,0),
    erledigt integer,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.brief01 OWNER TO postgres;

--
-- TOC entry 217 (class 1259 OID 16449)
-- Name: buch00; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.buch00 (
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    buchkreisnr character varying(2) NOT NULL,
    buchkreistext character varying(50),
    benutzer character varying(50)
);


ALTER TABLE trevix.buch00 OWNER TO postgres;

--
-- TOC entry 218 (class 1259 OID 16452)
-- Name: buch10; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.buch10 (
    beleg_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    person_id integer NOT NULL,
    mandant character(4) DEFAULT 'KVT'::bpchar NOT NULL,
    belegkennung character varying(10),
    belegnr character varying(10) NOT NULL,
    lfdnr integer DEFAULT 0 NOT NULL,
    buchungtext character varying(70),
    betrag numeric(12,2) DEFAULT 0,
    belegdatum date,
    skontoprozent numeric(4,2) DEFAULT 0,
    skontobetrag numeric(8,2) DEFAULT 0,
    kontosoll character varying(6),
    kontohaben character varying(6),
    freigabe integer,
    lstgzuordnung numeric(1,0),
    buchmonat integer,
    buchjahr integer DEFAULT 0,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now(),
    buchrefnr character varying(10)
);


ALTER TABLE trevix.buch10 OWNER TO postgres;

--
-- TOC entry 219 (class 1259 OID 16455)
-- Name: buch11; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.buch11 (
    buch_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    beleg_id integer NOT NULL,
    rechnung_id integer NOT NULL,
    zahlung numeric(12,2) DEFAULT 0,
    skontobetrag numeric(8,2) DEFAULT 0,
    buchungtext character varying(70),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now(),
    buchrefnr character varying(10)
);


ALTER TABLE trevix.buch11 OWNER TO postgres;

--
-- TOC entry 220 (class 1259 OID 16458)
-- Name: buch20; Type: TABLE; Schema: trevix; Owner: qz7k
--

CREATE TABLE trevix.buch20 (
    rechnung_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character(4),
    person_id integer NOT NULL,
    buchungkreis character varying(2) DEFAULT '00'::character varying NOT NULL,
    belegnr character varying(10) NOT NULL,
    belegdatum date NOT NULL,
    buchungtext character varying(70) NOT NULL,
    betrag numeric(10,2) DEFAULT 0,
    mwstbetrag numeric(10,2) DEFAULT 0,
    betragbrutto numeric(10,2) DEFAULT 0,
    mwstprozent real,
    art integer DEFAULT 0 NOT NULL,
    zahlungsziel double precision,
    skontotage numeric(3,0),
    skontoprozent numeric(6,2),
    faellig date,
    auftrag_id integer,
    stichtag date,
    prozent numeric(6,2),
    beginnziel date,
    abschlagrechnung numeric(5,0),
    ausgleich numeric(10,2),
    mahndatum date,
    mahnkz integer DEFAULT 0,
    datum date,
    text1 text,
    gutschriftnr character varying(10),
    gutschrift_beleg_id integer,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now(),
    zweifelhaft boolean DEFAULT false NOT NULL
);


ALTER TABLE trevix.buch20 OWNER TO qz7k;

--
-- TOC entry 221 (class 1259 OID 16461)
-- Name: buch20a; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.buch20a (
    mandant character(4) DEFAULT 'KVT'::bpchar NOT NULL,
    buchungkreis character(2) NOT NULL,
    belegnr character varying(10) NOT NULL,
    belegdatum date NOT NULL,
    jahr integer NOT NULL,
    monat integer NOT NULL,
    laufende_nr integer NOT NULL,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now()
);


ALTER TABLE trevix.buch20a OWNER TO postgres;

--
-- TOC entry 222 (class 1259 OID 16464)
-- Name: buch21; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.buch21 (
    rechnungspos_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    beleg_id integer NOT NULL,
    auftrag_id integer,
    artikel_id integer,
    pos_text character varying(200) NOT NULL,
    menge numeric(10,3) NOT NULL,
    mengeneinheit character varying(12) NOT NULL,
    ep numeric(12,3) NOT NULL,
    mwst numeric(12,3) NOT NULL,
    gp numeric(12,3) NOT NULL,
    gewicht numeric(10,3),
    benutzer character varying(50)
);


ALTER TABLE trevix.buch21 OWNER TO postgres;

--
-- TOC entry 223 (class 1259 OID 16467)
-- Name: buch22; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.buch22 (
    posten_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character(4) NOT NULL,
    rechnung_id integer NOT NULL,
    position_id integer,
    leistung_id integer,
    aufmassblatt_id integer,
    aufmasszeile_id integer,
    menge numeric(10,3),
    text text,
    lieferdatum date,
    lieferart character varying(1),
    vorhaltung_bis date,
    miete_von date,
    miete_bis date,
    miete_menge integer,
    bestand numeric(10,3),
    miete numeric(10,3),
    ep numeric(10,3),
    ep_miete numeric(10,3),
    gp numeric(12,2),
    zeitfaktor numeric(8,3),
    mietezeitraum character varying(15),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now(),
    prozent_ansatz numeric(5,2)
);


ALTER TABLE trevix.buch22 OWNER TO postgres;

--
-- TOC entry 224 (class 1259 OID 16470)
-- Name: hersteller01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.hersteller01 (
    herstellernr character varying(10) DEFAULT ''::character varying NOT NULL,
    herstellerbez1 character varying(40) DEFAULT ''::character varying NOT NULL,
    herstellerbez2 character varying(40),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.hersteller01 OWNER TO postgres;

--
-- TOC entry 225 (class 1259 OID 16473)
-- Name: kosten01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.kosten01 (
    belegnr character varying(10) DEFAULT ''::character varying NOT NULL,
    pos character varying(8) DEFAULT ''::character varying NOT NULL,
    auftragsnr character varying(10),
    kostenstellennr character varying(10),
    beginnzeit character varying(5),
    endezeit character varying(5),
    personnr character varying(6),
    stunden real,
    km real,
    inventarnr character varying(10),
    datum date,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.kosten01 OWNER TO postgres;

--
-- TOC entry 226 (class 1259 OID 16476)
-- Name: kostenstelle; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.kostenstelle (
    kostenstellennr character varying(10),
    bez character varying(40),
    art numeric(5,0) DEFAULT 0 NOT NULL,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.kostenstelle OWNER TO postgres;

--
-- TOC entry 227 (class 1259 OID 16479)
-- Name: lager01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.lager01 (
    lager_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    lagerbez character varying(25) DEFAULT ''::character varying NOT NULL,
    adressnr character varying(14),
    benutzer character varying(50)
);


ALTER TABLE trevix.lager01 OWNER TO postgres;

--
-- TOC entry 228 (class 1259 OID 16482)
-- Name: lager10; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.lager10 (
    mandant character(4),
    lager_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    auftrag_id integer,
    pos character varying(8),
    artikelnr character varying(15),
    menge numeric(10,3),
    ep numeric(10,3),
    datum date,
    benutzer character varying(50)
);


ALTER TABLE trevix.lager10 OWNER TO postgres;

--
-- TOC entry 229 (class 1259 OID 16485)
-- Name: lagerleistung01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.lagerleistung01 (
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    beleg_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    belegnr character varying(10),
    pos_id integer,
    person_id integer,
    kst_id integer,
    auftrag_id integer,
    datum date,
    stunden numeric(6,2) NOT NULL,
    endezeit character varying(5),
    beginnzeit character varying(5),
    verrechnungssatz numeric(6,2) NOT NULL,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.lagerleistung01 OWNER TO postgres;

--
-- TOC entry 230 (class 1259 OID 16488)
-- Name: layout01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.layout01 (
    mandant character(4),
    layoutnr character varying(20) DEFAULT ''::character varying NOT NULL,
    randlinks numeric(5,0),
    randrechts numeric(5,0),
    anschriftx numeric(5,0),
    anschrifty numeric(5,0),
    firmendaten1 numeric(5,0),
    firmendaten1x numeric(5,0),
    firmendaten1y numeric(5,0),
    firmendaten2 numeric(5,0),
    firmendaten2x numeric(5,0),
    firmendaten2y numeric(5,0),
    dateninfo1x numeric(5,0),
    dateninfo1y numeric(5,0),
    dateninfo2x numeric(5,0),
    dateninfo2y numeric(5,0),
    spaltenleiste1x numeric(5,0),
    spaltenleiste1y numeric(5,0),
    spaltenleiste2x numeric(5,0),
    spaltenleiste2y numeric(5,0),
    daten1h numeric(5,0),
    daten1x numeric(5,0),
    daten1y numeric(5,0),
    daten2h numeric(5,0),
    daten2x numeric(5,0),
    daten2y numeric(5,0),
    fusszeile1x numeric(5,0),
    fusszeile1y numeric(5,0),
    fusszeile2x numeric(5,0),
    fusszeile2y numeric(5,0),
    fusszeile1 numeric(5,0),
    fusszeile2 numeric(5,0),
    zeilenabstand numeric(5,0),
    fontname character varying(20),
    fontsize numeric(5,0),
    fusstext text,
    firmendaten text,
    absender character varying(100),
    fontnameanschrift character varying(20),
    fontnamedaten character varying(20),
    fontnamedateninfo character varying(20),
    fontnamefirmendate character varying(20),
    fontnamefuss character varying(20),
    fontnamespaltenlei character varying(20),
    fontsizeanschrift numeric(5,0),
    fontsizedaten numeric(5,0),
    fontsizedateninfo numeric(5,0),
    fontsizefirmendate numeric(5,0),
    fontsizefuss numeric(5,0),
    fontsizespaltenlei numeric(5,0)
);


ALTER TABLE trevix.layout01 OWNER TO postgres;

--
-- TOC entry 231 (class 1259 OID 16491)
-- Name: leistung01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.leistung01 (
    leistung_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character varying(4) DEFAULT 'kvt'::character varying NOT NULL,
    position_id integer NOT NULL,
    lieferdatum date NOT NULL,
    vorhaltung_bis date NOT NULL,
    lieferart character(1) DEFAULT ''::bpchar NOT NULL,
    ep numeric(10,3) DEFAULT 0.000,
    epmiete numeric(10,3),
    menge numeric(10,3) DEFAULT 0.000 NOT NULL,
    aufmassblatt_id integer,
    aufmasszeile_id integer,
    mengeneinheit character varying(7),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now(),
    fifobolean boolean,
    temp_id integer
);


ALTER TABLE trevix.leistung01 OWNER TO postgres;

--
-- TOC entry 232 (class 1259 OID 16494)
-- Name: leistung02; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.leistung02 (
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    ambl_id integer DEFAULT 0 NOT NULL,
    auftrag_id integer NOT NULL,
    amblinfo character varying(60),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.leistung02 OWNER TO postgres;

--
-- TOC entry 233 (class 1259 OID 16497)
-- Name: leistung03; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.leistung03 (
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    auftrag_id integer NOT NULL,
    ambl_id integer DEFAULT 0 NOT NULL,
    amblzeilen_id integer DEFAULT 0 NOT NULL,
    zeilennummer integer,
    amblzeiletext character varying(100),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.leistung03 OWNER TO postgres;

--
-- TOC entry 234 (class 1259 OID 16500)
-- Name: leistung10; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.leistung10 (
    auftrag_id integer NOT NULL,
    pos_id integer NOT NULL,
    satz_id character varying(11) DEFAULT ''::character varying NOT NULL,
    lfdnr numeric(5,0) DEFAULT 0 NOT NULL,
    datum date,
    belegnr character varying(10),
    personnr character varying(6),
    niederlassung character(2),
    mengeneinheit character varying(7),
    menge numeric(10,3),
    betrag numeric(12,2),
    info text,
    stunden real,
    buchrefnr character varying(6),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.leistung10 OWNER TO postgres;

--
-- TOC entry 235 (class 1259 OID 16503)
-- Name: lieferung01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.lieferung01 (
    lieferschein_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    lieferschein_nr integer NOT NULL,
    auftrag_id integer,
    person_id integer NOT NULL,
    verwendung_id integer NOT NULL,
    lieferdatum date,
    storno numeric(1,0),
    buchungkreis character(2),
    beleg_id integer,
    nachlass numeric(6,2),
    rabatt numeric(6,2),
    sonderrabatt numeric(5,2),
    status numeric(5,0),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.lieferung01 OWNER TO postgres;

--
-- TOC entry 236 (class 1259 OID 16506)
-- Name: lieferung02; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.lieferung02 (
    lieferschein_id integer NOT NULL,
    position_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    position_nr integer NOT NULL,
    artikel_id integer NOT NULL,
    artikelnr character varying(15),
    menge numeric(10,3),
    mengeneinheit character varying(7),
    kurztext character varying(200),
    langtext text,
    nachlass numeric(6,2),
    ep numeric(10,3),
    gp numeric(12,2),
    mwst numeric(5,2) DEFAULT 19.0 NOT NULL,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.lieferung02 OWNER TO postgres;

--
-- TOC entry 237 (class 1259 OID 16509)
-- Name: lohn10; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.lohn10 (
    lohnansatz character(3) DEFAULT ''::bpchar NOT NULL,
    lohnansatzbez character varying(25) DEFAULT ''::character varying NOT NULL,
    lohnverrechnung numeric(6,2) DEFAULT 0.00 NOT NULL
);


ALTER TABLE trevix.lohn10 OWNER TO postgres;

--
-- TOC entry 238 (class 1259 OID 16512)
-- Name: mahntext; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.mahntext (
    mandant character(4) NOT NULL,
    mahnkz numeric(5,0) DEFAULT 0 NOT NULL,
    text1 text,
    text2 text,
    zahlungsziel numeric(5,0),
    titel character varying(50),
    mahnkosten numeric(5,2),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.mahntext OWNER TO postgres;

--
-- TOC entry 239 (class 1259 OID 16515)
-- Name: mahnung; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.mahnung (
    rechnung_id integer NOT NULL,
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    mahnkz numeric(5,0) DEFAULT 0 NOT NULL,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.mahnung OWNER TO postgres;

--
-- TOC entry 240 (class 1259 OID 16518)
-- Name: mandant; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.mandant (
    mandant character(4) NOT NULL,
    lizenznehmer character varying(200),
    password character varying(100),
    adress_id integer,
    plz character varying(5) NOT NULL,
    ort character varying(100) NOT NULL,
    strasse character varying(100) NOT NULL
);


ALTER TABLE trevix.mandant OWNER TO postgres;

--
-- TOC entry 241 (class 1259 OID 16521)
-- Name: mat01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.mat01 (
    lsnr character varying(10) DEFAULT ''::character varying NOT NULL,
    posnr numeric(3,0) DEFAULT 0 NOT NULL,
    auftragsnr character varying(10),
    artikelnr character varying(15),
    lieferdatum date,
    menge numeric(10,3),
    mengeneinheit character varying(7),
    lieferart character(1),
    ek numeric(10,2),
    text character varying(100),
    bewertung integer
);


ALTER TABLE trevix.mat01 OWNER TO postgres;

--
-- TOC entry 242 (class 1259 OID 16524)
-- Name: notiz10; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.notiz10 (
    notiznr character varying(10) NOT NULL,
    notizdatum date NOT NULL,
    notizfeld text NOT NULL,
    wvdatum date,
    benutzer character varying(30)
);


ALTER TABLE trevix.notiz10 OWNER TO postgres;

--
-- TOC entry 243 (class 1259 OID 16527)
-- Name: ortsverzeichnis; Type: TABLE; Schema: trevix; Owner: trevix
--

CREATE TABLE trevix.ortsverzeichnis (
    osm_id integer NOT NULL,
    ort character varying(60),
    plz integer,
    landkreis character varying(60),
    bundesland character varying(60)
);


ALTER TABLE trevix.ortsverzeichnis OWNER TO trevix;

--
-- TOC entry 244 (class 1259 OID 16530)
-- Name: person01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.person01 (
    person_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    name1 character varying(60) NOT NULL,
    name2 character varying(50),
    name3 character varying(60),
    anrede character varying(15),
    anredetext character varying(100),
    plz_o character varying(5) NOT NULL,
    ort character varying(60) NOT NULL,
    strasse character varying(60),
    land character varying(30),
    plz_p character varying(5),
    postfach character varying(10),
    telefon_f character varying(20),
    telefon_m character varying(15),
    telefon_p character varying(20),
    fax character varying(20),
    e_mail character varying(50),
    info text,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now(),
    konzern boolean,
    konzern_id integer,
    konzern1 smallint
);


ALTER TABLE trevix.person01 OWNER TO postgres;

--
-- TOC entry 245 (class 1259 OID 16533)
-- Name: person01_temp; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.person01_temp (
    person_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    personnr character varying(10) NOT NULL,
    mandant character varying(10) DEFAULT 'QZ7K'::character varying NOT NULL,
    name1 character varying(60) NOT NULL,
    name2 character varying(50),
    name3 character varying(60),
    anrede character varying(15),
    skontoprozent numeric(4,2),
    skontotage numeric(5,0),
    zahlungsziel numeric(5,0),
    rabatt numeric(6,2),
    zahlungszielabschl numeric(5,0),
    zahlungszielschlus numeric(5,0),
    info text,
    anredetext character varying(100),
    e_mail character varying(50),
    fax character varying(20),
    land character varying(3),
    ort character varying(60) NOT NULL,
    plz_o character varying(5) NOT NULL,
    plz_p character varying(5),
    postfach character varying(10),
    strasse character varying(60),
    telefon_f character varying(20),
    telefon_m character varying(15),
    telefon_p character varying(20),
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now()
);


ALTER TABLE trevix.person01_temp OWNER TO postgres;

--
-- TOC entry 246 (class 1259 OID 16536)
-- Name: sec_user; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.sec_user (
    name character varying(30) DEFAULT ''::character varying NOT NULL,
    vorname character varying(30) DEFAULT ''::character varying NOT NULL,
    benutzer character varying(30) DEFAULT ''::character varying NOT NULL,
    passwort character varying(50) DEFAULT ''::character varying NOT NULL
);


ALTER TABLE trevix.sec_user OWNER TO postgres;

--
-- TOC entry 247 (class 1259 OID 16539)
-- Name: standlstg01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.standlstg01 (
    mandant character(4) NOT NULL,
    pos character varying(8) DEFAULT ''::character varying NOT NULL,
    poskennung character varying(20),
    kurztext character varying(200) DEFAULT ''::character varying NOT NULL,
    langtext text,
    menge numeric(10,3),
    mengeneinheit character varying(7),
    ep numeric(10,3),
    positionsart numeric(1,0),
    eplohn numeric(10,3),
    epmaterial numeric(10,3),
    epmiete numeric(10,3),
    vorhaltezeit numeric(2,0),
    vorhaltezeitraum character varying(15),
    mietezeitraum character varying(15),
    save_time timestamp without time zone DEFAULT now() NOT NULL,
    benutzer character varying(30)
);


ALTER TABLE trevix.standlstg01 OWNER TO postgres;

--
-- TOC entry 248 (class 1259 OID 16542)
-- Name: sys_cnt_kundennummer; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.sys_cnt_kundennummer (
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    prefix character(6),
    kdnr character(8),
    aktiv boolean DEFAULT false
);


ALTER TABLE trevix.sys_cnt_kundennummer OWNER TO postgres;

--
-- TOC entry 249 (class 1259 OID 16545)
-- Name: sys_db_update; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.sys_db_update (
    version_id integer,
    build_id character varying(50),
    datum date
);


ALTER TABLE trevix.sys_db_update OWNER TO postgres;

--
-- TOC entry 250 (class 1259 OID 16548)
-- Name: sys_dokustruktur; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.sys_dokustruktur (
    id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass) NOT NULL,
    bezeichnung character varying(100),
    mandant character varying(4) NOT NULL
);


ALTER TABLE trevix.sys_dokustruktur OWNER TO postgres;

--
-- TOC entry 251 (class 1259 OID 16551)
-- Name: sys_format_druck; Type: TABLE; Schema: trevix; Owner: qz7k
--

CREATE TABLE trevix.sys_format_druck (
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    formular character varying(50) NOT NULL,
    "left" numeric(5,2),
    "right" numeric(5,2),
    top numeric(5,2),
    bottom numeric(5,2)
);


ALTER TABLE trevix.sys_format_druck OWNER TO qz7k;

--
-- TOC entry 252 (class 1259 OID 16554)
-- Name: sys_version; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.sys_version (
    version character(10)
);


ALTER TABLE trevix.sys_version OWNER TO postgres;

--
-- TOC entry 253 (class 1259 OID 16557)
-- Name: tagebuch01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.tagebuch01 (
    mandant character(4) DEFAULT 'kvt'::bpchar NOT NULL,
    tgb_id integer DEFAULT nextval('trevix.vlm1_sequence'::regclass),
    auftrag_id integer,
    datum date,
    text character varying(100),
    info text,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.tagebuch01 OWNER TO postgres;

--
-- TOC entry 254 (class 1259 OID 16560)
-- Name: tempval_sequence; Type: SEQUENCE; Schema: trevix; Owner: postgres
--

CREATE SEQUENCE trevix.tempval_sequence
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    MAXVALUE 10000000
    CACHE 1;


ALTER TABLE trevix.tempval_sequence OWNER TO postgres;

--
-- TOC entry 255 (class 1259 OID 16563)
-- Name: textbau01; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.textbau01 (
    mandant character(4) NOT NULL,
    textbaunr numeric(5,0) DEFAULT 0 NOT NULL,
    textbaustein text NOT NULL,
    matchcode character varying(25) DEFAULT ''::character varying NOT NULL,
    benutzer character varying(30),
    save_time timestamp without time zone DEFAULT now() NOT NULL
);


ALTER TABLE trevix.textbau01 OWNER TO postgres;

--
-- TOC entry 256 (class 1259 OID 16566)
-- Name: v_artikel; Type: VIEW; Schema: trevix; Owner: qz7k
--

CREATE VIEW trevix.v_artikel AS
 SELECT h.hwg_id,
    h.hwgbez,
    g.wg_id,
    g.wgkurzbez,
    g.wgbez,
    a.artikel_id,
    a.mandant,
    a.artikelnr,
    a.kurztext1
   FROM ((trevix.artikel03 a
     LEFT JOIN trevix.artikel01 h ON ((a.hwg_id = h.hwg_id)))
     LEFT JOIN trevix.artikel02 g ON ((a.wg_id = g.wg_id)));


ALTER TABLE trevix.v_artikel OWNER TO qz7k;

--
-- TOC entry 257 (class 1259 OID 16569)
-- Name: v_artikel02_liste; Type: VIEW; Schema: trevix; Owner: qz7k
--

CREATE VIEW trevix.v_artikel02_liste AS
 SELECT DISTINCT a.hwg_id,
    a.wg_id,
    a.mandant,
    g.wgkurzbez,
    g.wgbez
   FROM (trevix.artikel03 a
     LEFT JOIN trevix.artikel02 g ON (((a.wg_id = g.wg_id) AND (g.mandant = (a.mandant)::bpchar))));


ALTER TABLE trevix.v_artikel02_liste OWNER TO qz7k;

--
-- TOC entry 258 (class 1259 OID 16572)
-- Name: v_auftrag11; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_auftrag11 AS
 SELECT auftrag05.struktur_id,
    auftrag05.auftrag_id,
    auftrag05.auftragsnr,
    auftrag05.mandant,
    auftrag05.struktur_code,
    auftrag05.struktur_ebene,
    auftrag05.gewerktext,
    auftrag05.benutzer,
    auftrag05.save_time,
    auftrag05.nachlass,
    auftrag05.listtext
   FROM trevix.auftrag05
  WHERE (auftrag05.struktur_ebene = 1);


ALTER TABLE trevix.v_auftrag11 OWNER TO postgres;

--
-- TOC entry 259 (class 1259 OID 16575)
-- Name: v_auftrag12; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_auftrag12 AS
 SELECT auftrag05.struktur_id,
    auftrag05.auftrag_id,
    auftrag05.auftragsnr,
    auftrag05.mandant,
    auftrag05.struktur_code,
    auftrag05.struktur_ebene,
    auftrag05.gewerktext,
    auftrag05.benutzer,
    auftrag05.save_time,
    auftrag05.nachlass,
    auftrag05.listtext
   FROM trevix.auftrag05
  WHERE (auftrag05.struktur_ebene = 2);


ALTER TABLE trevix.v_auftrag12 OWNER TO postgres;

--
-- TOC entry 260 (class 1259 OID 16578)
-- Name: v_auftrag13; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_auftrag13 AS
 SELECT auftrag05.struktur_id,
    auftrag05.auftrag_id,
    auftrag05.auftragsnr,
    auftrag05.mandant,
    auftrag05.struktur_code,
    auftrag05.struktur_ebene,
    auftrag05.gewerktext,
    auftrag05.benutzer,
    auftrag05.save_time,
    auftrag05.nachlass,
    auftrag05.listtext
   FROM trevix.auftrag05
  WHERE (auftrag05.struktur_ebene = 3);


ALTER TABLE trevix.v_auftrag13 OWNER TO postgres;

--
-- TOC entry 261 (class 1259 OID 16581)
-- Name: v_auftrag14; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_auftrag14 AS
 SELECT auftrag05.struktur_id,
    auftrag05.auftrag_id,
    auftrag05.auftragsnr,
    auftrag05.mandant,
    auftrag05.struktur_code,
    auftrag05.struktur_ebene,
    auftrag05.gewerktext,
    auftrag05.benutzer,
    auftrag05.save_time,
    auftrag05.nachlass,
    auftrag05.listtext
   FROM trevix.auftrag05
  WHERE (auftrag05.struktur_ebene = 4);


ALTER TABLE trevix.v_auftrag14 OWNER TO postgres;

--
-- TOC entry 262 (class 1259 OID 16584)
-- Name: v_auftraglos; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_auftraglos AS
 SELECT auftrag05.struktur_id,
    auftrag05.auftrag_id,
    auftrag05.auftragsnr,
    auftrag05.mandant,
    auftrag05.struktur_code,
    auftrag05.struktur_ebene,
    auftrag05.gewerktext,
    auftrag05.benutzer,
    auftrag05.save_time,
    auftrag05.nachlass,
    auftrag05.listtext
   FROM trevix.auftrag05
  WHERE (auftrag05.struktur_ebene = 0);


ALTER TABLE trevix.v_auftraglos OWNER TO postgres;

--
-- TOC entry 263 (class 1259 OID 16587)
-- Name: v_auftrag10; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_auftrag10 AS
 SELECT p.auftrag_id,
    a.auftragsnr,
    los.struktur_code AS los,
    s1.struktur_code AS s1,
    s2.struktur_code AS s2,
    s3.struktur_code AS s3,
    s4.struktur_code AS s4,
    los.struktur_id AS los_id,
    s1.struktur_id AS s1_id,
    s2.struktur_id AS s2_id,
    s3.struktur_id AS s3_id,
    s4.struktur_id AS s4_id,
    los.gewerktext AS textlos,
    s1.gewerktext AS texts1,
    s2.gewerktext AS texts2,
    s3.gewerktext AS texts3,
    s4.gewerktext AS texts4,
    concat(p.pos, ' ', p.kurztext) AS treeanzeige,
    p.position_id,
    p.mandant,
    p.nachtrag_id,
    p.gaeb_pos_id,
    (
        CASE
            WHEN ((s3.struktur_id IS NULL) AND (s4.struktur_id IS NULL)) THEN concat(p.pos, ' ', p.position_index)
            WHEN (s3.struktur_id IS NULL) THEN concat(s4.struktur_code, '.', p.pos, ' ', p.position_index)
            WHEN (s4.struktur_id IS NULL) THEN concat(s3.struktur_code, '.', p.pos, ' ', p.position_index)
            ELSE concat(s3.struktur_code, '.', s4.struktur_code, '.', p.pos, ' ', p.position_index)
        END)::character(20) AS pos_komplett
   FROM ((((((trevix.auftrag10 p
     LEFT JOIN trevix.v_auftraglos los ON ((p.los_id = los.struktur_id)))
     LEFT JOIN trevix.v_auftrag11 s1 ON ((p.s1_id = s1.struktur_id)))
     LEFT JOIN trevix.v_auftrag12 s2 ON ((p.s2_id = s2.struktur_id)))
     LEFT JOIN trevix.v_auftrag13 s3 ON ((p.s3_id = s3.struktur_id)))
     LEFT JOIN trevix.v_auftrag14 s4 ON ((p.s4_id = s4.struktur_id)))
     LEFT JOIN trevix.auftrag01 a ON ((a.auftrag_id = p.auftrag_id)))
  ORDER BY p.auftrag_id, los.struktur_code, s1.struktur_code, s2.struktur_code, s3.struktur_code, s4.struktur_code, p.pos, p.position_index;


ALTER TABLE trevix.v_auftrag10 OWNER TO postgres;

--
-- TOC entry 264 (class 1259 OID 16590)
-- Name: v_auftrag10pos; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_auftrag10pos AS
 SELECT a.auftragsnr,
    los.struktur_code AS los,
    s1.struktur_code AS s1,
    s2.struktur_code AS s2,
    s3.struktur_code AS s3,
    s4.struktur_code AS s4,
    los.struktur_id AS los_id,
    s1.struktur_id AS s1_id,
    s2.struktur_id AS s2_id,
    s3.struktur_id AS s3_id,
    s4.struktur_id AS s4_id,
    los.gewerktext AS textlos,
    s1.gewerktext AS texts1,
    s2.gewerktext AS texts2,
    s3.gewerktext AS texts3,
    s4.gewerktext AS texts4,
    p.position_id,
    p.auftrag_id,
    p.mandant,
    p.pos,
    p.position_index,
    p.poskenn_id,
    p.zu_pos_id,
    p.kurztext,
    p.langtext,
    p.ep,
    p.mengeneinheit,
    p.epmiete,
    p.mietdauer,
    p.mietegp,
    p.vorhaltezeit,
    p.vorhaltezeitraum,
    p.mietezeitraum,
    p.positionsart,
    p.menge,
    p.gp,
    p.nachtrag_id,
    p.alternativpos,
    p.amblabrechnung,
    p.lieferbewertung,
    p.posnrmiete,
    p.gaeb_pos_id,
        CASE
            WHEN (p.gaeb_pos_id = 1) THEN (p.gp + COALESCE(p.mietegp, (0)::numeric))
            ELSE (0)::numeric
        END AS gp_mit_miete
   FROM ((((((trevix.auftrag10 p
     LEFT JOIN trevix.v_auftraglos los ON ((p.los_id = los.struktur_id)))
     LEFT JOIN trevix.v_auftrag11 s1 ON ((p.s1_id = s1.struktur_id)))
     LEFT JOIN trevix.v_auftrag12 s2 ON ((p.s2_id = s2.struktur_id)))
     LEFT JOIN trevix.v_auftrag13 s3 ON ((p.s3_id = s3.struktur_id)))
     LEFT JOIN trevix.v_auftrag14 s4 ON ((p.s4_id = s4.struktur_id)))
     LEFT JOIN trevix.auftrag01 a ON ((a.auftrag_id = p.auftrag_id)))
  ORDER BY p.auftrag_id, los.struktur_code, s1.struktur_code, s2.struktur_code, s3.struktur_code, s4.struktur_code, p.pos, p.position_index;


ALTER TABLE trevix.v_auftrag10pos OWNER TO postgres;

--
-- TOC entry 265 (class 1259 OID 16593)
-- Name: v_rechnung_op; Type: VIEW; Schema: trevix; Owner: qz7k
--

CREATE VIEW trevix.v_rechnung_op AS
 SELECT r.mandant,
    r.rechnung_id,
    r.buchungkreis,
    r.belegnr,
    r.art,
    r.buchungtext,
    r.belegdatum,
    r.gutschrift_beleg_id,
    r.person_id,
    r.auftrag_id,
    a.auftragsnr,
    a.auftragsbez1,
    r.mahnkz,
    r.faellig,
    COALESCE(z.skonto, (0)::numeric) AS skonto,
    COALESCE(z.zahlbetrag, (0)::numeric) AS zahlbetrag,
    COALESCE(g.gutschrift, (0)::numeric) AS gutschrift,
    r.betragbrutto AS brutto,
    r.zweifelhaft
   FROM (((trevix.buch20 r
     LEFT JOIN ( SELECT b.rechnung_id,
            sum(b.zahlung) AS zahlbetrag,
            sum(b.skontobetrag) AS skonto
           FROM trevix.buch11 b
          GROUP BY b.rechnung_id) z ON ((z.rechnung_id = r.rechnung_id)))
     LEFT JOIN trevix.auftrag01 a ON ((a.auftrag_id = r.auftrag_id)))
     LEFT JOIN ( SELECT c.gutschrift_beleg_id,
            sum(c.betragbrutto) AS gutschrift
           FROM trevix.buch20 c
          GROUP BY c.gutschrift_beleg_id) g ON ((g.gutschrift_beleg_id = r.rechnung_id)))
  ORDER BY r.buchungkreis, r.belegnr;


ALTER TABLE trevix.v_rechnung_op OWNER TO qz7k;

--
-- TOC entry 266 (class 1259 OID 16596)
-- Name: v_rechnung_op_liste; Type: VIEW; Schema: trevix; Owner: qz7k
--

CREATE VIEW trevix.v_rechnung_op_liste AS
 SELECT o.mandant,
    o.rechnung_id,
    o.buchungkreis,
    o.belegnr,
    o.art,
    o.mahnkz,
    o.faellig,
    o.buchungtext,
    o.belegdatum,
    o.gutschrift_beleg_id,
    o.person_id,
    o.auftrag_id,
    o.auftragsnr,
    o.auftragsbez1,
    o.skonto,
    o.zahlbetrag,
    o.gutschrift,
    o.brutto,
    ((o.skonto + o.zahlbetrag) + o.gutschrift) AS zahlung,
    (o.brutto - ((o.skonto + o.zahlbetrag) + o.gutschrift)) AS op,
    o.zweifelhaft
   FROM trevix.v_rechnung_op o
  WHERE (o.art < 4)
UNION
 SELECT o.mandant,
    o.rechnung_id,
    o.buchungkreis,
    o.belegnr,
    o.art,
    o.mahnkz,
    o.faellig,
    o.buchungtext,
    o.belegdatum,
    o.gutschrift_beleg_id,
    o.person_id,
    o.auftrag_id,
    o.auftragsnr,
    o.auftragsbez1,
    o.skonto,
    o.zahlbetrag,
    o.gutschrift,
    o.brutto,
    0 AS zahlung,
    0 AS op,
    o.zweifelhaft
   FROM trevix.v_rechnung_op o
  WHERE ((o.art = 4) AND (o.gutschrift_beleg_id IS NULL))
  ORDER BY 3, 4 DESC;


ALTER TABLE trevix.v_rechnung_op_liste OWNER TO qz7k;

--
-- TOC entry 267 (class 1259 OID 16599)
-- Name: v_auftrag_op; Type: VIEW; Schema: trevix; Owner: qz7k
--

CREATE VIEW trevix.v_auftrag_op AS
 SELECT o.auftrag_id,
    o.person_id,
    o.mandant,
    sum(o.skonto) AS skonto,
    sum(o.zahlbetrag) AS zahlbetrag,
    sum(o.op) AS op
   FROM trevix.v_rechnung_op_liste o
  WHERE (o.op <> (0)::numeric)
  GROUP BY o.mandant, o.person_id, o.auftrag_id;


ALTER TABLE trevix.v_auftrag_op OWNER TO qz7k;

--
-- TOC entry 268 (class 1259 OID 16602)
-- Name: v_kunde; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_kunde AS
 SELECT p.person_id,
    p.mandant,
    p.anrede,
    p.anredetext,
    p.name1,
    p.name2,
    p.name3,
    a.kunden_nr AS kundennummer,
    p.plz_o,
    p.ort,
    p.strasse,
    p.land,
    p.plz_p,
    p.postfach
   FROM (trevix.person01 p
     JOIN trevix.adresse_art_zuweisung a ON ((p.person_id = a.person_id)))
  WHERE (a.adresse_art_id = 1);


ALTER TABLE trevix.v_kunde OWNER TO postgres;

--
-- TOC entry 269 (class 1259 OID 16605)
-- Name: v_auftragkunde; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_auftragkunde AS
 SELECT a.auftrag_id,
    a.mandant,
    a.auftragsnr,
    a.auftragsbez1,
    a.auftragsbez2,
    k.person_id,
    k.name1,
    k.name2,
    k.name3,
    k.kundennummer
   FROM (trevix.auftrag01 a
     JOIN trevix.v_kunde k ON ((a.person_id = k.person_id)));


ALTER TABLE trevix.v_auftragkunde OWNER TO postgres;

--
-- TOC entry 270 (class 1259 OID 16608)
-- Name: v_auftragtree; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_auftragtree AS
 SELECT auftrag01.mandant,
    auftrag01.auftrag_id,
    (concat(auftrag01.auftragsnr, ' ', auftrag01.auftragsbez1))::character varying(200) AS treeanzeige,
    auftrag01.auftragsnr,
    auftrag01.auftragsbez1,
    auftrag01.auftragsbez2,
    auftrag01.status,
    auftrag01.auftragstatus_id
   FROM trevix.auftrag01
  ORDER BY auftrag01.auftragsbez1;


ALTER TABLE trevix.v_auftragtree OWNER TO postgres;

--
-- TOC entry 271 (class 1259 OID 16611)
-- Name: v_buch22_summe_los; Type: VIEW; Schema: trevix; Owner: trevix
--

CREATE VIEW trevix.v_buch22_summe_los AS
 SELECT a.auftrag_id,
    b.rechnung_id,
    b.position_id,
    a.los_id,
    sum(b.gp) AS summe
   FROM (trevix.v_auftrag10 a
     LEFT JOIN trevix.buch22 b ON ((a.position_id = b.position_id)))
  WHERE (a.los_id IS NOT NULL)
  GROUP BY a.auftrag_id, b.rechnung_id, b.position_id, a.los_id;


ALTER TABLE trevix.v_buch22_summe_los OWNER TO trevix;

--
-- TOC entry 272 (class 1259 OID 16614)
-- Name: v_buch22_summe_s1; Type: VIEW; Schema: trevix; Owner: trevix
--

CREATE VIEW trevix.v_buch22_summe_s1 AS
 SELECT a.auftrag_id,
    b.rechnung_id,
    b.position_id,
    a.los_id,
    a.s1_id,
    sum(b.gp) AS summe
   FROM (trevix.v_auftrag10 a
     LEFT JOIN trevix.buch22 b ON ((a.position_id = b.position_id)))
  WHERE (a.s1_id IS NOT NULL)
  GROUP BY a.auftrag_id, b.rechnung_id, b.position_id, a.los_id, a.s1_id;


ALTER TABLE trevix.v_buch22_summe_s1 OWNER TO trevix;

--
-- TOC entry 273 (class 1259 OID 16617)
-- Name: v_buch22_summe_s2; Type: VIEW; Schema: trevix; Owner: trevix
--

CREATE VIEW trevix.v_buch22_summe_s2 AS
 SELECT a.auftrag_id,
    b.rechnung_id,
    b.position_id,
    a.los_id,
    a.s1_id,
    a.s2_id,
    sum(b.gp) AS summe
   FROM (trevix.v_auftrag10 a
     LEFT JOIN trevix.buch22 b ON ((a.position_id = b.position_id)))
  WHERE (a.s2_id IS NOT NULL)
  GROUP BY a.auftrag_id, b.rechnung_id, b.position_id, a.los_id, a.s1_id, a.s2_id;


ALTER TABLE trevix.v_buch22_summe_s2 OWNER TO trevix;

--
-- TOC entry 274 (class 1259 OID 16620)
-- Name: v_buch22_summe_s3; Type: VIEW; Schema: trevix; Owner: trevix
--

CREATE VIEW trevix.v_buch22_summe_s3 AS
 SELECT a.auftrag_id,
    b.rechnung_id,
    b.position_id,
    a.los_id,
    a.s1_id,
    a.s2_id,
    a.s3_id,
    sum(b.gp) AS summe
   FROM (trevix.v_auftrag10 a
     LEFT JOIN trevix.buch22 b ON ((a.position_id = b.position_id)))
  WHERE (a.s3_id IS NOT NULL)
  GROUP BY a.auftrag_id, b.rechnung_id, b.position_id, a.los_id, a.s1_id, a.s2_id, a.s3_id;


ALTER TABLE trevix.v_buch22_summe_s3 OWNER TO trevix;

--
-- TOC entry 275 (class 1259 OID 16623)
-- Name: v_buch22_summe_s4; Type: VIEW; Schema: trevix; Owner: trevix
--

CREATE VIEW trevix.v_buch22_summe_s4 AS
 SELECT a.auftrag_id,
    b.rechnung_id,
    b.position_id,
    a.los_id,
    a.s1_id,
    a.s2_id,
    a.s3_id,
    a.s4_id,
    sum(b.gp) AS summe
   FROM (trevix.v_auftrag10 a
     LEFT JOIN trevix.buch22 b ON ((a.position_id = b.position_id)))
  WHERE (a.s4_id IS NOT NULL)
  GROUP BY a.auftrag_id, b.rechnung_id, b.position_id, a.los_id, a.s1_id, a.s2_id, a.s3_id, a.s4_id;


ALTER TABLE trevix.v_buch22_summe_s4 OWNER TO trevix;

--
-- TOC entry 276 (class 1259 OID 16626)
-- Name: v_buchung; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_buchung AS
 SELECT b.buch_id,
    b.beleg_id,
    b.rechnung_id,
    r.auftrag_id,
    r.person_id,
    r.buchungkreis,
    r.belegnr,
    r.buchungtext AS rechnungtext,
    z.belegdatum,
    b.zahlung,
    b.skontobetrag,
        CASE
            WHEN (b.skontobetrag IS NULL) THEN b.zahlung
            ELSE (b.zahlung + b.skontobetrag)
        END AS summebuchung,
    b.buchungtext
   FROM ((trevix.buch11 b
     LEFT JOIN trevix.buch20 r ON ((r.rechnung_id = b.rechnung_id)))
     LEFT JOIN trevix.buch10 z ON ((z.beleg_id = b.beleg_id)));


ALTER TABLE trevix.v_buchung OWNER TO postgres;

--
-- TOC entry 277 (class 1259 OID 16629)
-- Name: v_delta_leistung_pos; Type: VIEW; Schema: trevix; Owner: trevix
--

CREATE VIEW trevix.v_delta_leistung_pos AS
 SELECT leistung01.position_id,
    sum(leistung01.menge) AS sum
   FROM trevix.leistung01
  GROUP BY leistung01.position_id;


ALTER TABLE trevix.v_delta_leistung_pos OWNER TO trevix;

--
-- TOC entry 278 (class 1259 OID 16632)
-- Name: v_konzern_liste; Type: VIEW; Schema: trevix; Owner: qz7k
--

CREATE VIEW trevix.v_konzern_liste AS
 SELECT
        CASE
            WHEN (p.name2 IS NULL) THEN (p.name1)::text
            ELSE (((p.name1)::text || ' '::text) || (p.name2)::text)
        END AS name,
    p.mandant,
    p.name1,
    p.name2,
    p.name3,
    p.person_id,
    z.kunden_nr
   FROM ((trevix.adresse_art_zuweisung z
     JOIN trevix.person01 p ON ((z.person_id = p.person_id)))
     JOIN trevix.adresse_art aa ON ((z.adresse_art_id = aa.adresse_art_id)))
  WHERE (p.konzern = true)
  ORDER BY p.name1;


ALTER TABLE trevix.v_konzern_liste OWNER TO qz7k;

--
-- TOC entry 279 (class 1259 OID 16635)
-- Name: v_kunden_liste; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_kunden_liste AS
 SELECT
        CASE
            WHEN (p.name2 IS NULL) THEN (p.name1)::text
            ELSE (((p.name1)::text || ' '::text) || (p.name2)::text)
        END AS name,
    p.mandant,
    p.name1,
    p.name2,
    p.name3,
    p.person_id,
    z.kunden_nr
   FROM ((trevix.adresse_art_zuweisung z
     JOIN trevix.person01 p ON ((z.person_id = p.person_id)))
     JOIN trevix.adresse_art aa ON ((z.adresse_art_id = aa.adresse_art_id)))
  WHERE (aa.adresse_art_id = 1)
  ORDER BY p.name1;


ALTER TABLE trevix.v_kunden_liste OWNER TO postgres;

--
-- TOC entry 280 (class 1259 OID 16638)
-- Name: v_kunden_op; Type: VIEW; Schema: trevix; Owner: qz7k
--

CREATE VIEW trevix.v_kunden_op AS
 SELECT o.person_id,
    o.mandant,
    sum(o.skonto) AS skonto,
    sum(o.zahlbetrag) AS zahlbetrag,
    sum(o.op) AS op
   FROM trevix.v_rechnung_op_liste o
  WHERE (o.op <> (0)::numeric)
  GROUP BY o.mandant, o.person_id;


ALTER TABLE trevix.v_kunden_op OWNER TO qz7k;

--
-- TOC entry 281 (class 1259 OID 16641)
-- Name: v_kunden_umsatz_statistik; Type: VIEW; Schema: trevix; Owner: trevix
--

CREATE VIEW trevix.v_kunden_umsatz_statistik AS
 SELECT buch20.person_id,
    date_part('year'::text, buch20.belegdatum) AS date_part,
    sum(buch20.betrag) AS sum
   FROM trevix.buch20
  GROUP BY buch20.person_id, (date_part('year'::text, buch20.belegdatum))
  ORDER BY buch20.person_id, (date_part('year'::text, buch20.belegdatum));


ALTER TABLE trevix.v_kunden_umsatz_statistik OWNER TO trevix;

--
-- TOC entry 282 (class 1259 OID 16644)
-- Name: v_leistung; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_leistung AS
 SELECT a.auftrag_id,
    a.mandant,
    a.auftragsnr,
    a.auftragsbez1,
    p.kurztext,
    l.leistung_id,
    l.lieferart,
    l.position_id,
    l.lieferdatum,
    l.vorhaltung_bis,
    l.menge,
    l.mengeneinheit,
    l.ep,
    l.epmiete,
    l.fifobolean,
    l.aufmassblatt_id,
    l.aufmasszeile_id,
    p.tagesberechnung,
    p.positionsart,
    p.mietezeitraum,
    a.prozent
   FROM ((trevix.auftrag01 a
     JOIN trevix.auftrag10 p ON ((a.auftrag_id = p.auftrag_id)))
     JOIN trevix.leistung01 l ON ((p.position_id = l.position_id)));


ALTER TABLE trevix.v_leistung OWNER TO postgres;

--
-- TOC entry 283 (class 1259 OID 16647)
-- Name: v_lieferant_liste; Type: VIEW; Schema: trevix; Owner: qz7k
--

CREATE VIEW trevix.v_lieferant_liste AS
 SELECT
        CASE
            WHEN (p.name2 IS NULL) THEN (p.name1)::text
            ELSE (((p.name1)::text || ' '::text) || (p.name2)::text)
        END AS name,
    p.mandant,
    p.name1,
    p.name2,
    p.name3,
    p.person_id,
    z.lieferant_nr
   FROM ((trevix.adresse_art_zuweisung z
     JOIN trevix.person01 p ON ((z.person_id = p.person_id)))
     JOIN trevix.adresse_art aa ON ((z.adresse_art_id = aa.adresse_art_id)))
  WHERE (aa.adresse_art_id = 2)
  ORDER BY p.name1;


ALTER TABLE trevix.v_lieferant_liste OWNER TO qz7k;

--
-- TOC entry 284 (class 1259 OID 16650)
-- Name: v_mahnliste; Type: VIEW; Schema: trevix; Owner: qz7k
--

CREATE VIEW trevix.v_mahnliste AS
 SELECT k.kundennummer,
    k.name1,
    op.mandant,
    op.rechnung_id,
    op.buchungkreis,
    op.belegnr,
    op.art,
    (op.mahnkz + 1) AS mahnkz,
    op.faellig,
    op.buchungtext,
    op.belegdatum,
    op.gutschrift_beleg_id,
    op.person_id,
    op.auftrag_id,
    op.auftragsnr,
    op.auftragsbez1,
    op.skonto,
    op.zahlbetrag,
    op.gutschrift,
    op.brutto,
    op.zahlung,
    op.op,
    op.zweifelhaft
   FROM ((trevix.v_rechnung_op_liste op
     JOIN trevix.v_kunde k ON ((k.person_id = op.person_id)))
     JOIN trevix.v_auftrag_op aop ON ((aop.auftrag_id = op.auftrag_id)))
  WHERE ((op.faellig <= CURRENT_DATE) AND (aop.op > (0)::numeric))
  ORDER BY op.person_id, op.belegnr;


ALTER TABLE trevix.v_mahnliste OWNER TO qz7k;

--
-- TOC entry 285 (class 1259 OID 16653)
-- Name: v_rechnungsausgang; Type: VIEW; Schema: trevix; Owner: qz7k
--

CREATE VIEW trevix.v_rechnungsausgang AS
 SELECT a.mandant,
    az.kunden_nr,
    a.auftragsnr,
    a.auftragsbez1,
    p.name1,
    p.name2,
    a.auftragsbez2,
    r.buchungkreis,
    r.belegnr,
    r.belegdatum,
    r.buchungtext,
        CASE
            WHEN (r.art = 4) THEN (- r.betrag)
            ELSE r.betrag
        END AS betrag,
        CASE
            WHEN (r.art = 4) THEN (- r.mwstbetrag)
            ELSE r.mwstbetrag
        END AS mwstbetrag,
        CASE
            WHEN (r.art = 4) THEN (- r.betragbrutto)
            ELSE r.betragbrutto
        END AS betragbrutto
   FROM (((trevix.buch20 r
     JOIN trevix.person01 p ON ((r.person_id = p.person_id)))
     JOIN trevix.auftrag01 a ON ((r.auftrag_id = a.auftrag_id)))
     JOIN trevix.adresse_art_zuweisung az ON ((r.person_id = az.person_id)))
  ORDER BY r.belegnr DESC;


ALTER TABLE trevix.v_rechnungsausgang OWNER TO qz7k;

--
-- TOC entry 286 (class 1259 OID 16656)
-- Name: v_rab_jahr; Type: VIEW; Schema: trevix; Owner: trevix
--

CREATE VIEW trevix.v_rab_jahr AS
 SELECT b.mandant,
    date_part('month'::text, b.belegdatum) AS monat,
    to_char((b.belegdatum)::timestamp with time zone, 'TMMonth YYYY'::text) AS monat_name,
    date_part('year'::text, b.belegdatum) AS jahr,
    sum(b.betrag) AS betrag_sum,
    sum(b.mwstbetrag) AS mwstbetrag_sum,
    sum(b.betragbrutto) AS betrabrutto_sum
   FROM trevix.v_rechnungsausgang b
  GROUP BY b.mandant, (date_part('month'::text, b.belegdatum)), (to_char((b.belegdatum)::timestamp with time zone, 'TMMonth YYYY'::text)), (date_part('year'::text, b.belegdatum))
  ORDER BY (date_part('year'::text, b.belegdatum)), (date_part('month'::text, b.belegdatum));


ALTER TABLE trevix.v_rab_jahr OWNER TO trevix;

--
-- TOC entry 287 (class 1259 OID 16659)
-- Name: v_strukturbaum; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_strukturbaum AS
 SELECT s4.auftrag_id,
    s0.struktur_id AS los_id,
    s1.struktur_id AS s1_id,
    s2.struktur_id AS s2_id,
    s3.struktur_id AS s3_id,
    s4.struktur_id AS s4_id,
    s0.struktur_code AS los,
    s1.struktur_code AS s1,
    s2.struktur_code AS s2,
    s3.struktur_code AS s3,
    s4.struktur_code AS s4,
    s0.gewerktext AS textlos,
    s1.gewerktext AS texts1,
    s2.gewerktext AS texts2,
    s3.gewerktext AS texts3,
    s4.gewerktext AS texts4
   FROM ((((( SELECT e4.struktur_id,
            e4.auftrag_id,
            e4.struktur_code,
            e4.gewerktext
           FROM trevix.auftrag05 e4
          WHERE (e4.struktur_ebene = 4)) s4
     FULL JOIN ( SELECT e3.struktur_id,
            e3.auftrag_id,
            e3.struktur_code,
            e3.gewerktext
           FROM trevix.auftrag05 e3
          WHERE (e3.struktur_ebene = 3)) s3 ON ((s3.auftrag_id = s4.auftrag_id)))
     FULL JOIN ( SELECT e2.struktur_id,
            e2.auftrag_id,
            e2.struktur_code,
            e2.gewerktext
           FROM trevix.auftrag05 e2
          WHERE (e2.struktur_ebene = 2)) s2 ON ((s2.auftrag_id = s4.auftrag_id)))
     FULL JOIN ( SELECT e1.struktur_id,
            e1.auftrag_id,
            e1.struktur_code,
            e1.gewerktext
           FROM trevix.auftrag05 e1
          WHERE (e1.struktur_ebene = 1)) s1 ON ((s1.auftrag_id = s4.auftrag_id)))
     FULL JOIN ( SELECT e0.struktur_id,
            e0.auftrag_id,
            e0.struktur_code,
            e0.gewerktext
           FROM trevix.auftrag05 e0
          WHERE (e0.struktur_ebene = 0)) s0 ON ((s0.auftrag_id = s4.auftrag_id)))
  ORDER BY s0.struktur_code, s1.struktur_code, s2.struktur_code, s3.struktur_code, s4.struktur_code;


ALTER TABLE trevix.v_strukturbaum OWNER TO postgres;

--
-- TOC entry 288 (class 1259 OID 16662)
-- Name: v_summeauftrag; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_summeauftrag AS
 SELECT a.nachlass AS atnachlass,
    round((sum(v.gp) + sum(COALESCE(v.mietegp, (0)::numeric))), 2) AS netto_gp,
    round((sum(v.gp) * 0.19), 2) AS mwst,
    (round((sum(v.gp) + sum(COALESCE(v.mietegp, (0)::numeric))), 2) + round((sum(v.gp) * 0.19), 2)) AS brutto,
    v.auftrag_id,
    v.mandant
   FROM (trevix.v_auftrag10pos v
     JOIN trevix.auftrag01 a ON ((v.auftrag_id = a.auftrag_id)))
  WHERE (v.gaeb_pos_id = 1)
  GROUP BY v.auftrag_id, v.mandant, a.nachlass;


ALTER TABLE trevix.v_summeauftrag OWNER TO postgres;

--
-- TOC entry 289 (class 1259 OID 16665)
-- Name: v_summedemontage; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_summedemontage AS
 SELECT buch22.rechnung_id,
    buch22.position_id,
    buch22.lieferart,
    sum(buch22.gp) AS summe
   FROM trevix.buch22
  WHERE ((buch22.lieferart)::text = 'R'::text)
  GROUP BY buch22.rechnung_id, buch22.position_id, buch22.lieferart;


ALTER TABLE trevix.v_summedemontage OWNER TO postgres;

--
-- TOC entry 290 (class 1259 OID 16668)
-- Name: v_summeleistung_pos; Type: VIEW; Schema: trevix; Owner: trevix
--

CREATE VIEW trevix.v_summeleistung_pos AS
 SELECT leistung01.position_id,
    sum(leistung01.menge) AS sum
   FROM trevix.leistung01
  WHERE (leistung01.menge > (0)::numeric)
  GROUP BY leistung01.position_id;


ALTER TABLE trevix.v_summeleistung_pos OWNER TO trevix;

--
-- TOC entry 291 (class 1259 OID 16671)
-- Name: v_summelieferung; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_summelieferung AS
 SELECT buch22.rechnung_id,
    buch22.position_id,
    buch22.lieferart,
    sum(buch22.gp) AS summe
   FROM trevix.buch22
  WHERE ((buch22.lieferart)::text = 'L'::text)
  GROUP BY buch22.rechnung_id, buch22.position_id, buch22.lieferart;


ALTER TABLE trevix.v_summelieferung OWNER TO postgres;

--
-- TOC entry 292 (class 1259 OID 16674)
-- Name: v_summemiete; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_summemiete AS
 SELECT buch22.rechnung_id,
    buch22.position_id,
    buch22.lieferart,
    sum(buch22.gp) AS summe
   FROM trevix.buch22
  WHERE ((buch22.lieferart)::text = 'M'::text)
  GROUP BY buch22.rechnung_id, buch22.position_id, buch22.lieferart;


ALTER TABLE trevix.v_summemiete OWNER TO postgres;

--
-- TOC entry 293 (class 1259 OID 16677)
-- Name: v_zahlungsaufstellung; Type: VIEW; Schema: trevix; Owner: postgres
--

CREATE VIEW trevix.v_zahlungsaufstellung AS
 SELECT r.rechnung_id,
    r.belegnr,
    r.buchungtext,
    r.belegdatum,
    r.betragbrutto,
    z.zahlung,
    z.skontobetrag,
    ((r.betragbrutto - COALESCE(z.zahlung, (0)::numeric)) - COALESCE(z.skontobetrag, (0)::numeric)) AS op
   FROM (trevix.buch20 r
     LEFT JOIN trevix.buch11 z ON ((z.rechnung_id = r.rechnung_id)))
  WHERE (r.art < 4)
  ORDER BY r.belegnr DESC;


ALTER TABLE trevix.v_zahlungsaufstellung OWNER TO postgres;

--
-- TOC entry 294 (class 1259 OID 16700)
-- Name: wl_auftragstatus; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.wl_auftragstatus (
    mandant character(4) NOT NULL,
    auftragstatus_id integer NOT NULL,
    auftragstatus_text character varying(50) NOT NULL,
    art integer NOT NULL
);


ALTER TABLE trevix.wl_auftragstatus OWNER TO postgres;

--
-- TOC entry 295 (class 1259 OID 16703)
-- Name: wl_gaeb_position_art; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.wl_gaeb_position_art (
    id integer NOT NULL,
    bezeichnung character varying(80)
);


ALTER TABLE trevix.wl_gaeb_position_art OWNER TO postgres;

--
-- TOC entry 296 (class 1259 OID 16706)
-- Name: wl_gaeb_strukturcode; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.wl_gaeb_strukturcode (
    struktur_id integer NOT NULL,
    code character varying(25) NOT NULL,
    ebene integer NOT NULL
);


ALTER TABLE trevix.wl_gaeb_strukturcode OWNER TO postgres;

--
-- TOC entry 297 (class 1259 OID 16709)
-- Name: wl_leistung; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.wl_leistung (
    leistung character(1) NOT NULL
);


ALTER TABLE trevix.wl_leistung OWNER TO postgres;

--
-- TOC entry 298 (class 1259 OID 16712)
-- Name: wl_lieferart; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.wl_lieferart (
    lieferart character(1),
    liefertext character varying(40)
);


ALTER TABLE trevix.wl_lieferart OWNER TO postgres;

--
-- TOC entry 299 (class 1259 OID 16715)
-- Name: wl_lvstruktur; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.wl_lvstruktur (
    struktur_ebene integer,
    anzeigetext character varying(50)
);


ALTER TABLE trevix.wl_lvstruktur OWNER TO postgres;

--
-- TOC entry 300 (class 1259 OID 16718)
-- Name: wl_material_verwendung; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.wl_material_verwendung (
    verwendung_id integer NOT NULL,
    verwendung_text character varying(30)
);


ALTER TABLE trevix.wl_material_verwendung OWNER TO postgres;

--
-- TOC entry 301 (class 1259 OID 16721)
-- Name: wl_mwst; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.wl_mwst (
    id integer NOT NULL,
    steuersatz numeric(5,2) NOT NULL,
    von date NOT NULL,
    bis date DEFAULT '2100-12-31'::date NOT NULL
);


ALTER TABLE trevix.wl_mwst OWNER TO postgres;

--
-- TOC entry 302 (class 1259 OID 16724)
-- Name: wl_positionart; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.wl_positionart (
    id integer NOT NULL,
    posarttext character varying(50) NOT NULL
);


ALTER TABLE trevix.wl_positionart OWNER TO postgres;

--
-- TOC entry 303 (class 1259 OID 16727)
-- Name: wl_rechnungart; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.wl_rechnungart (
    rechnungart_id integer NOT NULL,
    rechnungart_text character varying(50)
);


ALTER TABLE trevix.wl_rechnungart OWNER TO postgres;

--
-- TOC entry 304 (class 1259 OID 16730)
-- Name: wl_umsatzsteuer; Type: TABLE; Schema: trevix; Owner: postgres
--

CREATE TABLE trevix.wl_umsatzsteuer (
    ust_id integer NOT NULL,
    regelsatz numeric(5,2) NOT NULL,
    ermaessigt numeric(5,2)
);


ALTER TABLE trevix.wl_umsatzsteuer OWNER TO postgres;

--
-- TOC entry 2860 (class 2606 OID 17001)
-- Name: aufmassblatt PK_aufmassblatt; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.aufmassblatt
    ADD CONSTRAINT "PK_aufmassblatt" PRIMARY KEY (aufmassblatt_id);


--
-- TOC entry 2861 (class 2606 OID 17003)
-- Name: aufmassformel PK_aufmassformel; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.aufmassformel
    ADD CONSTRAINT "PK_aufmassformel" PRIMARY KEY (aufmassformel_id);


--
-- TOC entry 2862 (class 2606 OID 17005)
-- Name: aufmasszeile PK_aufmasszeile; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.aufmasszeile
    ADD CONSTRAINT "PK_aufmasszeile" PRIMARY KEY (aufmasszeile_id);


--
-- TOC entry 2863 (class 2606 OID 17007)
-- Name: auftrag01nr PK_auftrag01nr; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag01nr
    ADD CONSTRAINT "PK_auftrag01nr" PRIMARY KEY (belegart, belegnr, jahr, mandant);


--
-- TOC entry 2864 (class 2606 OID 17009)
-- Name: auftrag20 PK_auftrag20; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag20
    ADD CONSTRAINT "PK_auftrag20" PRIMARY KEY (bild_id);


--
-- TOC entry 2865 (class 2606 OID 17011)
-- Name: auftrag30 PK_auftrag30; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag30
    ADD CONSTRAINT "PK_auftrag30" PRIMARY KEY (dokument_id);


--
-- TOC entry 2866 (class 2606 OID 17013)
-- Name: buch21 PK_buch21; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch21
    ADD CONSTRAINT "PK_buch21" PRIMARY KEY (rechnungspos_id);


--
-- TOC entry 2867 (class 2606 OID 17015)
-- Name: lager10 PK_lager10; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.lager10
    ADD CONSTRAINT "PK_lager10" PRIMARY KEY (lager_id);


--
-- TOC entry 2868 (class 2606 OID 17017)
-- Name: sys_cnt_kundennummer PK_sys_cnt_kundennummer; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.sys_cnt_kundennummer
    ADD CONSTRAINT "PK_sys_cnt_kundennummer" PRIMARY KEY (mandant);


--
-- TOC entry 2869 (class 2606 OID 17019)
-- Name: sys_dokustruktur PK_sys_dokustruktur; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.sys_dokustruktur
    ADD CONSTRAINT "PK_sys_dokustruktur" PRIMARY KEY (id);


--
-- TOC entry 2870 (class 2606 OID 17021)
-- Name: sys_format_druck PK_sys_fromat_druck; Type: CONSTRAINT; Schema: trevix; Owner: qz7k
--

ALTER TABLE ONLY trevix.sys_format_druck
    ADD CONSTRAINT "PK_sys_fromat_druck" PRIMARY KEY (mandant, formular);


--
-- TOC entry 2871 (class 2606 OID 17023)
-- Name: wl_gaeb_position_art PK_wl_gaeb_position_art; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.wl_gaeb_position_art
    ADD CONSTRAINT "PK_wl_gaeb_position_art" PRIMARY KEY (id);


--
-- TOC entry 2872 (class 2606 OID 17025)
-- Name: wl_gaeb_strukturcode PK_wl_gaeb_strukturcode; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.wl_gaeb_strukturcode
    ADD CONSTRAINT "PK_wl_gaeb_strukturcode" PRIMARY KEY (struktur_id);


--
-- TOC entry 2873 (class 2606 OID 17027)
-- Name: wl_leistung PK_wl_leistung; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.wl_leistung
    ADD CONSTRAINT "PK_wl_leistung" PRIMARY KEY (leistung);


--
-- TOC entry 2874 (class 2606 OID 17029)
-- Name: wl_material_verwendung PK_wl_material_verwendung; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.wl_material_verwendung
    ADD CONSTRAINT "PK_wl_material_verwendung" PRIMARY KEY (verwendung_id);


--
-- TOC entry 2875 (class 2606 OID 17031)
-- Name: wl_mwst PK_wl_mwst; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.wl_mwst
    ADD CONSTRAINT "PK_wl_mwst" PRIMARY KEY (id);


--
-- TOC entry 2876 (class 2606 OID 17033)
-- Name: wl_positionart PK_wl_positionart; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.wl_positionart
    ADD CONSTRAINT "PK_wl_positionart" PRIMARY KEY (id);


--
-- TOC entry 2877 (class 2606 OID 17035)
-- Name: wl_rechnungart PK_wl_rechnungart; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.wl_rechnungart
    ADD CONSTRAINT "PK_wl_rechnungart" PRIMARY KEY (rechnungart_id);


--
-- TOC entry 2878 (class 2606 OID 17037)
-- Name: wl_umsatzsteuer PK_wl_umsatzsteuer; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.wl_umsatzsteuer
    ADD CONSTRAINT "PK_wl_umsatzsteuer" PRIMARY KEY (ust_id);


--
-- TOC entry 2879 (class 2606 OID 17039)
-- Name: auftrag01_n idx_auftrag_nachtrag; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag01_n
    ADD CONSTRAINT idx_auftrag_nachtrag UNIQUE (auftrag_id, nachtragnr);


--
-- TOC entry 2880 (class 2606 OID 17041)
-- Name: adresse_art pk_adresse_art; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.adresse_art
    ADD CONSTRAINT pk_adresse_art PRIMARY KEY (adresse_art_id);


--
-- TOC entry 2881 (class 2606 OID 17043)
-- Name: adresse_art_zuweisung pk_adresse_art_zuweisung; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.adresse_art_zuweisung
    ADD CONSTRAINT pk_adresse_art_zuweisung PRIMARY KEY (adresse_art_id, person_id, mandant);


--
-- TOC entry 2882 (class 2606 OID 17045)
-- Name: artikel01 pk_artikel01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.artikel01
    ADD CONSTRAINT pk_artikel01 PRIMARY KEY (hwg_id);


--
-- TOC entry 2883 (class 2606 OID 17047)
-- Name: artikel02 pk_artikel02; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.artikel02
    ADD CONSTRAINT pk_artikel02 PRIMARY KEY (wg_id);


--
-- TOC entry 2884 (class 2606 OID 17049)
-- Name: artikel03 pk_artikel03; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.artikel03
    ADD CONSTRAINT pk_artikel03 PRIMARY KEY (artikel_id, wg_id, hwg_id);


--
-- TOC entry 2885 (class 2606 OID 17051)
-- Name: auftrag01 pk_auftrag01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag01
    ADD CONSTRAINT pk_auftrag01 PRIMARY KEY (auftrag_id);


--
-- TOC entry 2886 (class 2606 OID 17053)
-- Name: auftrag01_p pk_auftrag01a; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag01_p
    ADD CONSTRAINT pk_auftrag01a PRIMARY KEY (auftrag_id, partner_id);


--
-- TOC entry 2887 (class 2606 OID 17055)
-- Name: auftrag01_n pk_auftrag01n; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag01_n
    ADD CONSTRAINT pk_auftrag01n PRIMARY KEY (nachtrag_id);


--
-- TOC entry 2888 (class 2606 OID 17057)
-- Name: auftrag05 pk_auftrag05; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag05
    ADD CONSTRAINT pk_auftrag05 PRIMARY KEY (struktur_id);


--
-- TOC entry 2889 (class 2606 OID 17059)
-- Name: auftrag10 pk_auftrag10; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag10
    ADD CONSTRAINT pk_auftrag10 PRIMARY KEY (position_id);


--
-- TOC entry 2890 (class 2606 OID 17061)
-- Name: bestell01 pk_bestell01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.bestell01
    ADD CONSTRAINT pk_bestell01 PRIMARY KEY (bestellnr);


--
-- TOC entry 2891 (class 2606 OID 17063)
-- Name: brief01 pk_brief01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.brief01
    ADD CONSTRAINT pk_brief01 PRIMARY KEY (briefnr);


--
-- TOC entry 2892 (class 2606 OID 17065)
-- Name: buch00 pk_buch00; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch00
    ADD CONSTRAINT pk_buch00 PRIMARY KEY (mandant);


--
-- TOC entry 2893 (class 2606 OID 17067)
-- Name: buch10 pk_buch10; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch10
    ADD CONSTRAINT pk_buch10 PRIMARY KEY (beleg_id);


--
-- TOC entry 2894 (class 2606 OID 17069)
-- Name: buch20 pk_buch20; Type: CONSTRAINT; Schema: trevix; Owner: qz7k
--

ALTER TABLE ONLY trevix.buch20
    ADD CONSTRAINT pk_buch20 PRIMARY KEY (rechnung_id);


--
-- TOC entry 2895 (class 2606 OID 17071)
-- Name: buch20a pk_buch20a; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch20a
    ADD CONSTRAINT pk_buch20a PRIMARY KEY (buchungkreis, jahr, mandant, monat, laufende_nr);


--
-- TOC entry 2896 (class 2606 OID 17073)
-- Name: buch22 pk_buch22; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch22
    ADD CONSTRAINT pk_buch22 PRIMARY KEY (posten_id);


--
-- TOC entry 2897 (class 2606 OID 17075)
-- Name: hersteller01 pk_hersteller01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.hersteller01
    ADD CONSTRAINT pk_hersteller01 PRIMARY KEY (herstellernr);


--
-- TOC entry 2898 (class 2606 OID 17077)
-- Name: kosten01 pk_kosten01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.kosten01
    ADD CONSTRAINT pk_kosten01 PRIMARY KEY (belegnr, pos);


--
-- TOC entry 2899 (class 2606 OID 17079)
-- Name: lager01 pk_lager01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.lager01
    ADD CONSTRAINT pk_lager01 PRIMARY KEY (lager_id);


--
-- TOC entry 2900 (class 2606 OID 17081)
-- Name: layout01 pk_layout01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.layout01
    ADD CONSTRAINT pk_layout01 PRIMARY KEY (layoutnr);


--
-- TOC entry 2901 (class 2606 OID 17083)
-- Name: leistung01 pk_leistung01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.leistung01
    ADD CONSTRAINT pk_leistung01 PRIMARY KEY (leistung_id);


--
-- TOC entry 2902 (class 2606 OID 17085)
-- Name: leistung02 pk_leistung02; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.leistung02
    ADD CONSTRAINT pk_leistung02 PRIMARY KEY (auftrag_id, ambl_id);


--
-- TOC entry 2903 (class 2606 OID 17087)
-- Name: leistung03 pk_leistung03; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.leistung03
    ADD CONSTRAINT pk_leistung03 PRIMARY KEY (auftrag_id, ambl_id, amblzeilen_id);


--
-- TOC entry 2904 (class 2606 OID 17089)
-- Name: leistung10 pk_leistung10; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.leistung10
    ADD CONSTRAINT pk_leistung10 PRIMARY KEY (auftrag_id, pos_id, satz_id, lfdnr);


--
-- TOC entry 2905 (class 2606 OID 17091)
-- Name: lieferung01 pk_lieferung01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.lieferung01
    ADD CONSTRAINT pk_lieferung01 PRIMARY KEY (lieferschein_id);


--
-- TOC entry 2906 (class 2606 OID 17093)
-- Name: lieferung02 pk_lieferung02; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.lieferung02
    ADD CONSTRAINT pk_lieferung02 PRIMARY KEY (position_id);


--
-- TOC entry 2907 (class 2606 OID 17095)
-- Name: wl_auftragstatus pk_liste_auftragstatus; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.wl_auftragstatus
    ADD CONSTRAINT pk_liste_auftragstatus PRIMARY KEY (auftragstatus_id, mandant);


--
-- TOC entry 2908 (class 2606 OID 17097)
-- Name: lohn10 pk_lohn10; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.lohn10
    ADD CONSTRAINT pk_lohn10 PRIMARY KEY (lohnansatz);


--
-- TOC entry 2909 (class 2606 OID 17099)
-- Name: mahntext pk_mahntext; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.mahntext
    ADD CONSTRAINT pk_mahntext PRIMARY KEY (mahnkz, mandant);


--
-- TOC entry 2910 (class 2606 OID 17101)
-- Name: mahnung pk_mahnung; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.mahnung
    ADD CONSTRAINT pk_mahnung PRIMARY KEY (rechnung_id, mandant, mahnkz);


--
-- TOC entry 2911 (class 2606 OID 17103)
-- Name: mandant pk_mandant; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.mandant
    ADD CONSTRAINT pk_mandant PRIMARY KEY (mandant);


--
-- TOC entry 2912 (class 2606 OID 17105)
-- Name: mat01 pk_mat01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.mat01
    ADD CONSTRAINT pk_mat01 PRIMARY KEY (lsnr, posnr);


--
-- TOC entry 2913 (class 2606 OID 17107)
-- Name: buch11 pk_op01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch11
    ADD CONSTRAINT pk_op01 PRIMARY KEY (buch_id);


--
-- TOC entry 2914 (class 2606 OID 17109)
-- Name: person01 pk_person01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.person01
    ADD CONSTRAINT pk_person01 PRIMARY KEY (person_id);


--
-- TOC entry 2915 (class 2606 OID 17111)
-- Name: standlstg01 pk_standlstg01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.standlstg01
    ADD CONSTRAINT pk_standlstg01 PRIMARY KEY (pos, mandant);


--
-- TOC entry 2916 (class 2606 OID 17113)
-- Name: textbau01 pk_textbau01; Type: CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.textbau01
    ADD CONSTRAINT pk_textbau01 PRIMARY KEY (textbaunr, mandant);


--
-- TOC entry 2917 (class 1259 OID 17120)
-- Name: IXFK_auftrag01_person01_02; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_auftrag01_person01_02" ON trevix.auftrag01 USING btree (person_id);


--
-- TOC entry 2918 (class 1259 OID 17121)
-- Name: IXFK_auftrag01_wl_auftragstatus_02; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_auftrag01_wl_auftragstatus_02" ON trevix.auftrag01 USING btree (auftragstatus_id, mandant);


--
-- TOC entry 2919 (class 1259 OID 17122)
-- Name: IXFK_auftrag01_wl_gaeb_strukturcode_02; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_auftrag01_wl_gaeb_strukturcode_02" ON trevix.auftrag01 USING btree (struktur_id);


--
-- TOC entry 2920 (class 1259 OID 17123)
-- Name: IXFK_auftrag10_wl_gaeb_position_art; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_auftrag10_wl_gaeb_position_art" ON trevix.auftrag10 USING btree (gaeb_pos_id);


--
-- TOC entry 2921 (class 1259 OID 17124)
-- Name: IXFK_auftrag10_wl_gaeb_position_art_02; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_auftrag10_wl_gaeb_position_art_02" ON trevix.auftrag10 USING btree (id);


--
-- TOC entry 2922 (class 1259 OID 17125)
-- Name: IXFK_auftrag20_auftrag01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_auftrag20_auftrag01" ON trevix.auftrag20 USING btree (auftrag_id);


--
-- TOC entry 2923 (class 1259 OID 17126)
-- Name: IXFK_auftrag30_auftrag01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_auftrag30_auftrag01" ON trevix.auftrag30 USING btree (auftrag_id);


--
-- TOC entry 2924 (class 1259 OID 17127)
-- Name: IXFK_buch10_mandant; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_buch10_mandant" ON trevix.buch10 USING btree (mandant);


--
-- TOC entry 2925 (class 1259 OID 17128)
-- Name: IXFK_buch11_buch10_04; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_buch11_buch10_04" ON trevix.buch11 USING btree (beleg_id);


--
-- TOC entry 2926 (class 1259 OID 17129)
-- Name: IXFK_buch11_buch20_02; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_buch11_buch20_02" ON trevix.buch11 USING btree (rechnung_id);


--
-- TOC entry 2927 (class 1259 OID 17130)
-- Name: IXFK_buch21_buch20; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_buch21_buch20" ON trevix.buch21 USING btree (beleg_id);


--
-- TOC entry 2928 (class 1259 OID 17131)
-- Name: IXFK_buch22_auftrag10; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_buch22_auftrag10" ON trevix.buch22 USING btree (position_id);


--
-- TOC entry 2929 (class 1259 OID 17132)
-- Name: IXFK_buch22_buch20_02; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_buch22_buch20_02" ON trevix.buch22 USING btree (rechnung_id);


--
-- TOC entry 2930 (class 1259 OID 17133)
-- Name: IXFK_buch22_leistung01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_buch22_leistung01" ON trevix.buch22 USING btree (leistung_id);


--
-- TOC entry 2931 (class 1259 OID 17134)
-- Name: IXFK_leistung01_auftrag10; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_leistung01_auftrag10" ON trevix.leistung01 USING btree (position_id);


--
-- TOC entry 2932 (class 1259 OID 17135)
-- Name: IXFK_leistung01_auftrag10_02; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_leistung01_auftrag10_02" ON trevix.leistung01 USING btree (position_id);


--
-- TOC entry 2933 (class 1259 OID 17136)
-- Name: IXFK_lieferung01_auftrag01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_lieferung01_auftrag01" ON trevix.lieferung01 USING btree (auftrag_id);


--
-- TOC entry 2934 (class 1259 OID 17137)
-- Name: IXFK_lieferung01_person01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_lieferung01_person01" ON trevix.lieferung01 USING btree (person_id);


--
-- TOC entry 2935 (class 1259 OID 17138)
-- Name: IXFK_lieferung02_lieferung01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_lieferung02_lieferung01" ON trevix.lieferung02 USING btree (lieferschein_id);


--
-- TOC entry 2936 (class 1259 OID 17139)
-- Name: IXFK_mahntext_mandant; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_mahntext_mandant" ON trevix.mahntext USING btree (mandant);


--
-- TOC entry 2937 (class 1259 OID 17140)
-- Name: IXFK_mahnung_buch20; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_mahnung_buch20" ON trevix.mahnung USING btree (rechnung_id);


--
-- TOC entry 2938 (class 1259 OID 17141)
-- Name: IXFK_mahnung_mandant; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_mahnung_mandant" ON trevix.mahnung USING btree (mandant);


--
-- TOC entry 2939 (class 1259 OID 17142)
-- Name: IXFK_wl_auftragstatus_mandant; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX "IXFK_wl_auftragstatus_mandant" ON trevix.wl_auftragstatus USING btree (mandant);


--
-- TOC entry 2940 (class 1259 OID 17143)
-- Name: adresszuweisung_idx_idx_lr_nr; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE UNIQUE INDEX adresszuweisung_idx_idx_lr_nr ON trevix.adresse_art_zuweisung USING btree (lieferant_nr);


--
-- TOC entry 2941 (class 1259 OID 17144)
-- Name: adresszuweisung_idx_idx_pers_nr; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE UNIQUE INDEX adresszuweisung_idx_idx_pers_nr ON trevix.adresse_art_zuweisung USING btree (personal_nr);


--
-- TOC entry 2942 (class 1259 OID 17145)
-- Name: adresszuweisung_idx_kd_nr; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE UNIQUE INDEX adresszuweisung_idx_kd_nr ON trevix.adresse_art_zuweisung USING btree (kunden_nr);


--
-- TOC entry 2943 (class 1259 OID 17146)
-- Name: ix_artikel03_artikelnr; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE UNIQUE INDEX ix_artikel03_artikelnr ON trevix.artikel03 USING btree (mandant, artikelnr);


--
-- TOC entry 2944 (class 1259 OID 17147)
-- Name: ixfk_adresse_art_zuweisung_adresse_art; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_adresse_art_zuweisung_adresse_art ON trevix.adresse_art_zuweisung USING btree (adresse_art_id);


--
-- TOC entry 2945 (class 1259 OID 17148)
-- Name: ixfk_adresse_art_zuweisung_person01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_adresse_art_zuweisung_person01 ON trevix.adresse_art_zuweisung USING btree (person_id);


--
-- TOC entry 2946 (class 1259 OID 17149)
-- Name: ixfk_artikel01_mandant; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_artikel01_mandant ON trevix.artikel01 USING btree (mandant);


--
-- TOC entry 2947 (class 1259 OID 17150)
-- Name: ixfk_artikel02_artikel01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_artikel02_artikel01 ON trevix.artikel03 USING btree (hwg_id);


--
-- TOC entry 2948 (class 1259 OID 17151)
-- Name: ixfk_artikel02_mandant; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_artikel02_mandant ON trevix.artikel02 USING btree (mandant);


--
-- TOC entry 2949 (class 1259 OID 17152)
-- Name: ixfk_artikel03_artikel02; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_artikel03_artikel02 ON trevix.artikel03 USING btree (wg_id, mandant);


--
-- TOC entry 2950 (class 1259 OID 17153)
-- Name: ixfk_artikel03_artikel02_02; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_artikel03_artikel02_02 ON trevix.artikel03 USING btree (wg_id);


--
-- TOC entry 2951 (class 1259 OID 17154)
-- Name: ixfk_artikel03_mandant; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_artikel03_mandant ON trevix.artikel03 USING btree (mandant);


--
-- TOC entry 2952 (class 1259 OID 17155)
-- Name: ixfk_auftrag01_auftrag10b; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag01_auftrag10b ON trevix.auftrag01 USING btree (poskenn_id);


--
-- TOC entry 2953 (class 1259 OID 17156)
-- Name: ixfk_auftrag01_liste_auftragstatus; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag01_liste_auftragstatus ON trevix.auftrag01 USING btree (auftragstatus_id);


--
-- TOC entry 2954 (class 1259 OID 17157)
-- Name: ixfk_auftrag01_mandant; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag01_mandant ON trevix.auftrag01 USING btree (mandant);


--
-- TOC entry 2955 (class 1259 OID 17158)
-- Name: ixfk_auftrag01_mandant_02; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag01_mandant_02 ON trevix.auftrag01 USING btree (mandant, auftragsnr);


--
-- TOC entry 2956 (class 1259 OID 17159)
-- Name: ixfk_auftrag01_p_auftrag01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag01_p_auftrag01 ON trevix.auftrag01_p USING btree (auftrag_id);


--
-- TOC entry 2957 (class 1259 OID 17160)
-- Name: ixfk_auftrag01_person01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag01_person01 ON trevix.auftrag01 USING btree (person_id);


--
-- TOC entry 2958 (class 1259 OID 17161)
-- Name: ixfk_auftrag01_wl_auftragstatus; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag01_wl_auftragstatus ON trevix.auftrag01 USING btree (status);


--
-- TOC entry 2959 (class 1259 OID 17162)
-- Name: ixfk_auftrag10_auftrag01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag10_auftrag01 ON trevix.auftrag10 USING btree (auftrag_id);


--
-- TOC entry 2960 (class 1259 OID 17163)
-- Name: ixfk_auftrag10_auftrag11; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag10_auftrag11 ON trevix.auftrag10 USING btree (auftrag_id, s1_id);


--
-- TOC entry 2961 (class 1259 OID 17164)
-- Name: ixfk_auftrag10_auftrag12; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag10_auftrag12 ON trevix.auftrag10 USING btree (auftrag_id, s2_id);


--
-- TOC entry 2962 (class 1259 OID 17165)
-- Name: ixfk_auftrag10_auftrag13; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag10_auftrag13 ON trevix.auftrag10 USING btree (auftrag_id, s3_id);


--
-- TOC entry 2963 (class 1259 OID 17166)
-- Name: ixfk_auftrag10_auftrag14; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_auftrag10_auftrag14 ON trevix.auftrag10 USING btree (auftrag_id, s4_id);


--
-- TOC entry 2964 (class 1259 OID 17167)
-- Name: ixfk_buch00_mandant; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_buch00_mandant ON trevix.buch00 USING btree (mandant);


--
-- TOC entry 2965 (class 1259 OID 17168)
-- Name: ixfk_buch10_buch01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_buch10_buch01 ON trevix.buch10 USING btree (belegkennung);


--
-- TOC entry 2966 (class 1259 OID 17169)
-- Name: ixfk_buch10_person01; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_buch10_person01 ON trevix.buch10 USING btree (person_id);


--
-- TOC entry 2967 (class 1259 OID 17170)
-- Name: ixfk_buch11_buch10; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_buch11_buch10 ON trevix.buch11 USING btree (beleg_id);


--
-- TOC entry 2968 (class 1259 OID 17171)
-- Name: ixfk_buch11_buch10_02; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_buch11_buch10_02 ON trevix.buch11 USING btree (beleg_id);


--
-- TOC entry 2969 (class 1259 OID 17172)
-- Name: ixfk_buch11_buch10_03; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_buch11_buch10_03 ON trevix.buch11 USING btree (beleg_id);


--
-- TOC entry 2970 (class 1259 OID 17173)
-- Name: ixfk_buch11_buch20; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_buch11_buch20 ON trevix.buch11 USING btree (rechnung_id);


--
-- TOC entry 2971 (class 1259 OID 17174)
-- Name: ixfk_buch20_mandant; Type: INDEX; Schema: trevix; Owner: qz7k
--

CREATE INDEX ixfk_buch20_mandant ON trevix.buch20 USING btree (mandant);


--
-- TOC entry 2972 (class 1259 OID 17175)
-- Name: ixfk_buch20_person01; Type: INDEX; Schema: trevix; Owner: qz7k
--

CREATE INDEX ixfk_buch20_person01 ON trevix.buch20 USING btree (person_id);


--
-- TOC entry 2973 (class 1259 OID 17176)
-- Name: ixfk_buch22_buch20; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_buch22_buch20 ON trevix.buch22 USING btree (rechnung_id);


--
-- TOC entry 2974 (class 1259 OID 17177)
-- Name: ixfk_person01_mandant; Type: INDEX; Schema: trevix; Owner: postgres
--

CREATE INDEX ixfk_person01_mandant ON trevix.person01 USING btree (mandant);


--
-- TOC entry 2975 (class 2620 OID 17178)
-- Name: auftrag05 auftrag05_tr_listtext; Type: TRIGGER; Schema: trevix; Owner: postgres
--

CREATE TRIGGER auftrag05_tr_listtext BEFORE INSERT OR UPDATE OF struktur_code, gewerktext ON trevix.auftrag05 FOR EACH ROW EXECUTE PROCEDURE trevix.insert_listtext();


--
-- TOC entry 2976 (class 2620 OID 17179)
-- Name: leistung01 leistung01_tr; Type: TRIGGER; Schema: trevix; Owner: postgres
--

CREATE TRIGGER leistung01_tr BEFORE INSERT OR UPDATE ON trevix.leistung01 FOR EACH ROW EXECUTE PROCEDURE trevix.berechne_vorhaltung();


--
-- TOC entry 2977 (class 2606 OID 17180)
-- Name: auftrag01 FK_auftrag01_person01; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag01
    ADD CONSTRAINT "FK_auftrag01_person01" FOREIGN KEY (person_id) REFERENCES trevix.person01(person_id);


--
-- TOC entry 2978 (class 2606 OID 17181)
-- Name: auftrag01 FK_auftrag01_wl_auftragstatus_02; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag01
    ADD CONSTRAINT "FK_auftrag01_wl_auftragstatus_02" FOREIGN KEY (auftragstatus_id, mandant) REFERENCES trevix.wl_auftragstatus(auftragstatus_id, mandant);


--
-- TOC entry 2979 (class 2606 OID 17182)
-- Name: auftrag01 FK_auftrag01_wl_gaeb_strukturcode_02; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag01
    ADD CONSTRAINT "FK_auftrag01_wl_gaeb_strukturcode_02" FOREIGN KEY (struktur_id) REFERENCES trevix.wl_gaeb_strukturcode(struktur_id);


--
-- TOC entry 2980 (class 2606 OID 17183)
-- Name: auftrag10 FK_auftrag10_wl_gaeb_position_art; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag10
    ADD CONSTRAINT "FK_auftrag10_wl_gaeb_position_art" FOREIGN KEY (id) REFERENCES trevix.wl_gaeb_position_art(id);


--
-- TOC entry 2981 (class 2606 OID 17184)
-- Name: auftrag20 FK_auftrag20_auftrag01; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag20
    ADD CONSTRAINT "FK_auftrag20_auftrag01" FOREIGN KEY (auftrag_id) REFERENCES trevix.auftrag01(auftrag_id) ON UPDATE CASCADE ON DELETE CASCADE;


--
-- TOC entry 2982 (class 2606 OID 17185)
-- Name: auftrag30 FK_auftrag30_auftrag01; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag30
    ADD CONSTRAINT "FK_auftrag30_auftrag01" FOREIGN KEY (auftrag_id) REFERENCES trevix.auftrag01(auftrag_id);


--
-- TOC entry 2983 (class 2606 OID 17186)
-- Name: buch10 FK_buch10_mandant; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch10
    ADD CONSTRAINT "FK_buch10_mandant" FOREIGN KEY (mandant) REFERENCES trevix.mandant(mandant);


--
-- TOC entry 2984 (class 2606 OID 17187)
-- Name: buch10 FK_buch10_person01; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch10
    ADD CONSTRAINT "FK_buch10_person01" FOREIGN KEY (person_id) REFERENCES trevix.person01(person_id);


--
-- TOC entry 2985 (class 2606 OID 17188)
-- Name: buch11 FK_buch11_buch10; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch11
    ADD CONSTRAINT "FK_buch11_buch10" FOREIGN KEY (beleg_id) REFERENCES trevix.buch10(beleg_id) ON DELETE CASCADE;


--
-- TOC entry 2986 (class 2606 OID 17189)
-- Name: buch11 FK_buch11_buch20; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch11
    ADD CONSTRAINT "FK_buch11_buch20" FOREIGN KEY (rechnung_id) REFERENCES trevix.buch20(rechnung_id);


--
-- TOC entry 2987 (class 2606 OID 17190)
-- Name: buch21 FK_buch21_buch20; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch21
    ADD CONSTRAINT "FK_buch21_buch20" FOREIGN KEY (beleg_id) REFERENCES trevix.buch20(rechnung_id) ON DELETE CASCADE;


--
-- TOC entry 2988 (class 2606 OID 17191)
-- Name: buch22 FK_buch22_auftrag10; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch22
    ADD CONSTRAINT "FK_buch22_auftrag10" FOREIGN KEY (position_id) REFERENCES trevix.auftrag10(position_id) ON UPDATE CASCADE;


--
-- TOC entry 2989 (class 2606 OID 17192)
-- Name: buch22 FK_buch22_buch20; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch22
    ADD CONSTRAINT "FK_buch22_buch20" FOREIGN KEY (rechnung_id) REFERENCES trevix.buch20(rechnung_id) ON DELETE CASCADE;


--
-- TOC entry 2990 (class 2606 OID 17193)
-- Name: leistung01 FK_leistung01_auftrag10_02; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.leistung01
    ADD CONSTRAINT "FK_leistung01_auftrag10_02" FOREIGN KEY (position_id) REFERENCES trevix.auftrag10(position_id) ON UPDATE CASCADE ON DELETE CASCADE;


--
-- TOC entry 2991 (class 2606 OID 17194)
-- Name: lieferung01 FK_lieferung01_person01; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.lieferung01
    ADD CONSTRAINT "FK_lieferung01_person01" FOREIGN KEY (person_id) REFERENCES trevix.person01(person_id);


--
-- TOC entry 2992 (class 2606 OID 17195)
-- Name: lieferung02 FK_lieferung02_lieferung01; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.lieferung02
    ADD CONSTRAINT "FK_lieferung02_lieferung01" FOREIGN KEY (lieferschein_id) REFERENCES trevix.lieferung01(lieferschein_id);


--
-- TOC entry 2993 (class 2606 OID 17196)
-- Name: mahntext FK_mahntext_mandant; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.mahntext
    ADD CONSTRAINT "FK_mahntext_mandant" FOREIGN KEY (mandant) REFERENCES trevix.mandant(mandant);


--
-- TOC entry 2994 (class 2606 OID 17197)
-- Name: mahnung FK_mahnung_buch20; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.mahnung
    ADD CONSTRAINT "FK_mahnung_buch20" FOREIGN KEY (rechnung_id) REFERENCES trevix.buch20(rechnung_id);


--
-- TOC entry 2995 (class 2606 OID 17198)
-- Name: mahnung FK_mahnung_mandant; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.mahnung
    ADD CONSTRAINT "FK_mahnung_mandant" FOREIGN KEY (mandant) REFERENCES trevix.mandant(mandant);


--
-- TOC entry 2996 (class 2606 OID 17199)
-- Name: wl_auftragstatus FK_wl_auftragstatus_mandant; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.wl_auftragstatus
    ADD CONSTRAINT "FK_wl_auftragstatus_mandant" FOREIGN KEY (mandant) REFERENCES trevix.mandant(mandant);


--
-- TOC entry 2997 (class 2606 OID 17200)
-- Name: adresse_art_zuweisung fk_adresse_art_zuweisung_adresse_art; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.adresse_art_zuweisung
    ADD CONSTRAINT fk_adresse_art_zuweisung_adresse_art FOREIGN KEY (adresse_art_id) REFERENCES trevix.adresse_art(adresse_art_id) ON UPDATE RESTRICT ON DELETE RESTRICT;


--
-- TOC entry 2998 (class 2606 OID 17201)
-- Name: adresse_art_zuweisung fk_adresse_art_zuweisung_person01; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.adresse_art_zuweisung
    ADD CONSTRAINT fk_adresse_art_zuweisung_person01 FOREIGN KEY (person_id) REFERENCES trevix.person01(person_id);


--
-- TOC entry 2999 (class 2606 OID 17202)
-- Name: artikel01 fk_artikel01_mandant; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.artikel01
    ADD CONSTRAINT fk_artikel01_mandant FOREIGN KEY (mandant) REFERENCES trevix.mandant(mandant);


--
-- TOC entry 3000 (class 2606 OID 17203)
-- Name: artikel02 fk_artikel02_hwg; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.artikel02
    ADD CONSTRAINT fk_artikel02_hwg FOREIGN KEY (hwg_id) REFERENCES trevix.artikel01(hwg_id);


--
-- TOC entry 3001 (class 2606 OID 17204)
-- Name: artikel02 fk_artikel02_mandant; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.artikel02
    ADD CONSTRAINT fk_artikel02_mandant FOREIGN KEY (mandant) REFERENCES trevix.mandant(mandant) ON DELETE RESTRICT;


--
-- TOC entry 3002 (class 2606 OID 17205)
-- Name: auftrag01 fk_auftrag01_mandant; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag01
    ADD CONSTRAINT fk_auftrag01_mandant FOREIGN KEY (mandant) REFERENCES trevix.mandant(mandant);


--
-- TOC entry 3003 (class 2606 OID 17206)
-- Name: auftrag05 fk_auftrag05_mandant; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.auftrag05
    ADD CONSTRAINT fk_auftrag05_mandant FOREIGN KEY (mandant) REFERENCES trevix.mandant(mandant);


--
-- TOC entry 3004 (class 2606 OID 17207)
-- Name: buch00 fk_buch00_mandant; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.buch00
    ADD CONSTRAINT fk_buch00_mandant FOREIGN KEY (mandant) REFERENCES trevix.mandant(mandant);


--
-- TOC entry 3005 (class 2606 OID 17208)
-- Name: buch20 fk_buch20_mandant; Type: FK CONSTRAINT; Schema: trevix; Owner: qz7k
--

ALTER TABLE ONLY trevix.buch20
    ADD CONSTRAINT fk_buch20_mandant FOREIGN KEY (mandant) REFERENCES trevix.mandant(mandant);


--
-- TOC entry 3006 (class 2606 OID 17209)
-- Name: person01 fk_person01_mandant; Type: FK CONSTRAINT; Schema: trevix; Owner: postgres
--

ALTER TABLE ONLY trevix.person01
    ADD CONSTRAINT fk_person01_mandant FOREIGN KEY (mandant) REFERENCES trevix.mandant(mandant);
