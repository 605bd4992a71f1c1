SELECT psId, isTemplate, fio1, fio2, fio3, birthDate, number, regNumber, issueDate, comment, editDate, decision FROM PsDocuments;
SELECT psDetId, psId, disciplineName, disciplineRate FROM PsDocumentDetails;
SELECT psId, fio, issueDate, number, regNumber, editDate from viewPsDocuments;
SELECT psId, psDetId, disciplineName, disciplineRate, disciplineRateDigit, disciplineRateText, rowNumber FROM viewPsDocumentDetails;
