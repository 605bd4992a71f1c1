CREATE TABLE IF NOT EXISTS ReportTemplates (
    reportId TEXT NOT NULL PRIMARY KEY,
    content BYTEA NOT NULL,
    savedAt TEXT NOT NULL,
    savedBy TEXT NOT NULL
)
