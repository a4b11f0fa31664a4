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
