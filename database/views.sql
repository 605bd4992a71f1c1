DROP VIEW IF EXISTS viewPsDocuments;
CREATE VIEW viewPsDocuments AS
SELECT psId,
       COALESCE(fio1, '') || ' ' || COALESCE(fio2, '') || ' ' || COALESCE(fio3, '') AS fio,
       issueDate,
       number,
       regNumber,
       editDate,
       schoolClass
FROM PsDocuments
WHERE COALESCE(isTemplate, 0) != 1 AND deletedAt IS NULL;
DROP VIEW IF EXISTS viewPsDocumentDetails;
CREATE VIEW viewPsDocumentDetails AS
SELECT d.psId AS psId,
       d.psDetId AS psDetId,
       d.disciplineName AS disciplineName,
       d.disciplineRate AS disciplineRateDigit,
       ROW_NUMBER() OVER (PARTITION BY d.psId ORDER BY d.psDetId) AS rowNumber,
       CASE d.disciplineRate
           WHEN '2' THEN 'Неудовлетворительно'
           WHEN '3' THEN 'Удовлетворительно'
           WHEN '4' THEN 'Хорошо'
           WHEN '5' THEN 'Отлично'
           ELSE d.disciplineRate
       END AS disciplineRateText,
       CASE d.disciplineRate
           WHEN '2' THEN '2 (Неудовлетворительно)'
           WHEN '3' THEN '3 (Удовлетворительно)'
           WHEN '4' THEN '4 (Хорошо)'
           WHEN '5' THEN '5 (Отлично)'
           ELSE d.disciplineRate
       END AS disciplineRate
FROM PsDocumentDetails d
ORDER BY d.psDetId;
