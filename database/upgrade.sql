CREATE TABLE IF NOT EXISTS "PrintJournal" (
    "journalId" INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT UNIQUE,
    "psId" INTEGER NOT NULL,
    "fio" TEXT,
    "form" INTEGER NOT NULL,
    "number" TEXT,
    "printedAt" TEXT NOT NULL,
    "printer" TEXT,
    "pages" INTEGER NOT NULL DEFAULT 0,
    "outcome" TEXT NOT NULL,
    "spoiled" INTEGER NOT NULL DEFAULT 0,
    "spoiledReason" TEXT,
    "spoiledAt" TEXT,
    "output" TEXT NOT NULL DEFAULT 'printer'
);
CREATE INDEX IF NOT EXISTS "PsDocumentDetailsByDocument" ON "PsDocumentDetails" ("psId");
CREATE TABLE IF NOT EXISTS Variables (Name TEXT PRIMARY KEY, Value TEXT);
CREATE TABLE IF NOT EXISTS "PsDocumentHistory" (
    "historyId" INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT UNIQUE,
    "psId" INTEGER NOT NULL,
    "changedAt" TEXT NOT NULL,
    "changedBy" TEXT NOT NULL,
    "kind" TEXT NOT NULL,
    "snapshot" TEXT NOT NULL
);
CREATE INDEX IF NOT EXISTS "PsDocumentHistoryByDocument" ON "PsDocumentHistory" ("psId");
CREATE TABLE IF NOT EXISTS "ReportTemplates" (
    "reportId" TEXT NOT NULL PRIMARY KEY,
    "content" BLOB NOT NULL,
    "savedAt" TEXT NOT NULL,
    "savedBy" TEXT NOT NULL
);
