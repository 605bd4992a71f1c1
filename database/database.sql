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
    "add5" TEXT
);
CREATE TABLE "PsDocumentDetails" (
    "psDetId" INTEGER NOT NULL PRIMARY KEY AUTOINCREMENT UNIQUE,
    "psId" INTEGER NOT NULL,
    "disciplineName" TEXT,
    "disciplineRate" TEXT
);
