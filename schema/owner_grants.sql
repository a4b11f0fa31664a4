--
-- Grants for the roles qz7k and trevix, run on the tenant connection right after the structure
-- script.
--
-- The structure script hands some tables and views to these two roles. On a server where they are
-- ordinary roles, two kinds of work run with the owner's rights instead of the tenant role's:
--
-- * A view reads its relations with its owner's rights. So each of the two roles needs SELECT on
--   every relation of another owner that one of its views reads directly. A view read through
--   another view needs nothing more: that view reads on with its own owner's rights.
--
-- * A foreign-key check queries the referenced table as that table's owner (on insert or update
--   of a referencing row) and the referencing table as its owner (on delete or update of a
--   referenced row). The query names the schema, so such an owner needs USAGE on trevix; owning
--   the table already allows the query itself. Of the two roles only qz7k owns a table that takes
--   part in a foreign key (buch20, referenced by buch11, buch21, buch22 and mahnung, and
--   referencing mandant).
--
-- Nothing else needs a grant: functions and triggers run with the caller's rights. A role that
-- does not exist owns nothing here, so it gets nothing and the script runs without a failure.
--

DO $$
BEGIN
    IF EXISTS (SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = 'qz7k') THEN
        GRANT USAGE ON SCHEMA trevix TO qz7k;
        GRANT SELECT ON
            trevix.adresse_art,
            trevix.adresse_art_zuweisung,
            trevix.artikel01,
            trevix.artikel02,
            trevix.artikel03,
            trevix.auftrag01,
            trevix.buch11,
            trevix.person01,
            trevix.v_kunde
        TO qz7k;
    END IF;
END
$$;

DO $$
BEGIN
    IF EXISTS (SELECT 1 FROM pg_catalog.pg_roles WHERE rolname = 'trevix') THEN
        GRANT SELECT ON
            trevix.buch20,
            trevix.buch22,
            trevix.leistung01,
            trevix.v_auftrag10,
            trevix.v_rechnungsausgang
        TO trevix;
    END IF;
END
$$;
