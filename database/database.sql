CREATE TABLE "PsDocuments" (
    "psId" INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT UNIQUE,
    "isTemplate" INTEGER,
    "fio1" TEXT,
    "fio2" TEXT,
    "fio3" TEXT,
    "birthDate" TEXT,
    "number" TEXT,
    "regNumber" TEXT,
    "issueDate" TEXT,
    "comment" TEXT,
    "editDate" TEXT,
    "decision" TEXT,
    "add1" TEXT,
    "add2" TEXT,
    "add3" TEXT,
    "add4" TEXT,
    "add5" TEXT,
    "schoolClass" TEXT,
    "gender" TEXT,
    "deletedAt" TEXT,
    "deletedBy" TEXT,
    "version" INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE "PsDocumentDetails" (
    "psDetId" INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT UNIQUE,
    "psId" INTEGER NOT NULL,
    "disciplineName" TEXT,
    "disciplineRate" TEXT
);
CREATE TABLE "PrintJournal" (
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
    "output" TEXT NOT NULL DEFAULT 'printer',
    "workstation" TEXT
);
CREATE INDEX IF NOT EXISTS "PsDocumentDetailsByDocument" ON "PsDocumentDetails" ("psId");
CREATE TABLE IF NOT EXISTS Variables (Name TEXT PRIMARY KEY, Value TEXT);
CREATE TABLE "PsDocumentHistory" (
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
