-- Other workstations hear of every change of the register's documents and journal. A
-- document whose fields changed is named by its id, and one added, removed or moved into
-- or out of the register's list is told as "*", for which the whole list is read anew.
-- Made once, by the owner. A clerk finds it made and changes nothing.
DO $$
BEGIN
    IF EXISTS (SELECT 1 FROM pg_trigger WHERE tgname = 'psdocumentschanged') THEN
        RETURN;
    END IF;
    CREATE OR REPLACE FUNCTION zrps_document_changed() RETURNS trigger LANGUAGE plpgsql
    AS $body$
    BEGIN
        IF TG_OP = 'UPDATE' AND NEW.psId = OLD.psId
           AND NEW.deletedAt IS NOT DISTINCT FROM OLD.deletedAt
           AND COALESCE(NEW.isTemplate, 0) = COALESCE(OLD.isTemplate, 0) THEN
            PERFORM pg_notify('zrps_register', NEW.psId::text);
        ELSE
            PERFORM pg_notify('zrps_register', '*');
        END IF;
        RETURN NULL;
    END
    $body$;
    -- The first server registers told every change alike.
    DROP RULE IF EXISTS PsDocumentsInserted ON PsDocuments;
    DROP RULE IF EXISTS PsDocumentsUpdated ON PsDocuments;
    DROP RULE IF EXISTS PsDocumentsDeleted ON PsDocuments;
    CREATE TRIGGER PsDocumentsChanged AFTER INSERT OR UPDATE OR DELETE ON PsDocuments
        FOR EACH ROW EXECUTE FUNCTION zrps_document_changed();
    CREATE RULE PrintJournalInserted AS ON INSERT TO PrintJournal DO ALSO NOTIFY zrps_journal;
    CREATE RULE PrintJournalUpdated AS ON UPDATE TO PrintJournal DO ALSO NOTIFY zrps_journal;
END
$$;
