#include "printcheck.h"

#include "app/countword.h"
#include "database/database.h"
#include "documents/disciplinenames.h"
#include "documents/documentnumber.h"
#include "documents/documentrecord.h"
#include "documents/documentstore.h"
#include "documents/personname.h"
#include "documents/registernumbers.h"
#include "printing/engine.h"
#include "printing/reportinfo.h"
#include "printing/reportlist.h"

#include "ZrReport/reportpage.h"
#include "ZrReport/tablefield.h"
#include "ZrReport/textfield.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <algorithm>
#include <memory>

namespace {

const QString optionCheck = QStringLiteral("check");
const QString optionForm = QStringLiteral("form");
const QString optionDoc = QStringLiteral("doc");

enum Exit { Clean = 0, BadRequest = 1, Errors = 3, WarningsOnly = 4 };

// The pupil's age on the certificate: younger or older than this is most likely a typo.
constexpr int youngest = 9;
constexpr int oldest = 18;

struct VariableInfo
{
    const char *label;
    bool organisation; // entered in the organisation's options, not per document
};

// What the user calls the data behind each variable (normalised names); the organisation's
// ones under the titles of its options dialog.
const QHash<QString, VariableInfo> &variableInfo()
{
    static const QHash<QString, VariableInfo> info{
            {QStringLiteral("last_name"), {"Фамилия", false}},
            {QStringLiteral("first_name"), {"Имя", false}},
            {QStringLiteral("middle_name"), {"Отчество", false}},
            {QStringLiteral("full_name"), {"ФИО", false}},
            {QStringLiteral("full_name_short"), {"ФИО с инициалами", false}},
            {QStringLiteral("number"), {"Номер свидетельства", false}},
            {QStringLiteral("birth_date"), {"Дата рождения", false}},
            {QStringLiteral("birth_date_digit"), {"Дата рождения", false}},
            {QStringLiteral("issue_out"), {"Дата выдачи", false}},
            {QStringLiteral("issue_out_digit"), {"Дата выдачи", false}},
            {QStringLiteral("issue_out_year"), {"Год выдачи", false}},
            {QStringLiteral("reg_number"), {"Регистрационный номер", false}},
            {QStringLiteral("decision"), {"Решение педагогического совета", false}},
            {QStringLiteral("after_classes_courses"), {"Курсы внеурочной деятельности", false}},
            {QStringLiteral("programs_of_add_education"),
             {"Программы дополнительного образования", false}},
            {QStringLiteral("results_of_olympiads"),
             {"Результаты олимпиад, конкурсов, соревнований", false}},
            {QStringLiteral("meta_results"), {"Метапредметные результаты", false}},
            {QStringLiteral("person_character"), {"Личностные результаты", false}},
            {QStringLiteral("school_class"), {"Класс", false}},
            {QStringLiteral("boss1"), {"Руководитель", true}},
            {QStringLiteral("boss1_short"), {"Руководитель", true}},
            {QStringLiteral("city"), {"Город", true}},
            {QStringLiteral("orgname"), {"Название организации", true}},
            {QStringLiteral("orgname_roditelniy"),
             {"Название организации - родительный падеж (кого/чего?)", true}},
            {QStringLiteral("orgname_predlojniy"),
             {"Название организации - предложный падеж (о ком/о чем?)", true}},
    };
    return info;
}

bool isOrganisation(const QString &name)
{
    const auto it = variableInfo().constFind(name);
    return it != variableInfo().constEnd() && it->organisation;
}

// The variables a text refers to, as written, in order.
QStringList variablesIn(const QString &text)
{
    static const QRegularExpression expression(QStringLiteral("\\$V\\{([^}]*)\\}"));
    QStringList names;
    auto it = expression.globalMatch(text);
    while (it.hasNext())
        names << it.next().captured(1);
    return names;
}

QString yearsWord(int years)
{
    return countWord(years, QStringLiteral("год"), QStringLiteral("года"), QStringLiteral("лет"));
}

int fullYears(const QDate &birth, const QDate &at)
{
    int years = at.year() - birth.year();
    if (at.month() < birth.month() || (at.month() == birth.month() && at.day() < birth.day()))
        --years;
    return years;
}

// «Иванов Иван», «Петров Пётр» и ещё 3
QString documentList(const QStringList &names)
{
    constexpr int shown = 3;
    QStringList quoted;
    for (const QString &name : names.mid(0, shown))
        quoted << QStringLiteral("«%1»").arg(name.isEmpty() ? QStringLiteral("без имени") : name);
    QString text = quoted.join(QStringLiteral(", "));
    if (names.size() > shown)
        text += QStringLiteral(" и ещё %1").arg(names.size() - shown);
    return text;
}

QString textForLine(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

// A problem about the same document as `about`.
PrintCheck::Problem told(const PrintCheck::Problem &about,
                         PrintCheck::Severity severity,
                         const QString &field,
                         const QString &text)
{
    PrintCheck::Problem problem = about;
    problem.severity = severity;
    problem.field = field;
    problem.text = text;
    return problem;
}

// A boys' blank for a girl or a girls' blank for a boy is spoilt; empty when the blank fits.
QString genderProblem(int type, const DocumentRecord &record, PrintCheck::Severity *severity)
{
    const PupilGender::Value blank = ReportList::blankGender(type);
    if (blank == PupilGender::Unknown)
        return QString();
    const PupilGender::Value pupil = PupilGender::of(record.fio3, record.gender);
    *severity = PrintCheck::Severity::Error;
    if (pupil == PupilGender::Unknown) {
        *severity = PrintCheck::Severity::Warning;
        return QStringLiteral("По отчеству не понять, мальчик это или девочка, и в документе пол "
                              "не указан: укажите его, чтобы не напечатать свидетельство на "
                              "чужом бланке.");
    }
    if (pupil == blank)
        return QString();
    return pupil == PupilGender::Girl
                   ? QStringLiteral("Бланк «для мальчиков», а свидетельство девочки: выберите "
                                    "бланк «для девочек».")
                   : QStringLiteral("Бланк «для девочек», а свидетельство мальчика: выберите "
                                    "бланк «для мальчиков».");
}

} // namespace

// The register's certificate and registration numbers, to find those used twice.
PrintCheck::PrintCheck(int type)
    : m_type(type)
{}

PrintCheck::~PrintCheck() = default;

bool PrintCheck::load(QString *error)
{
    std::unique_ptr<ReportPage> page = Engine::readTemplate(m_type, error);
    if (!page)
        return false;

    m_fieldVariables.clear();
    m_usedVariables.clear();
    m_hasAppendix = false;
    m_fits.clear();
    for (AbstractField *field : qAsConst(page->fields)) {
        QSet<QString> names;
        if (field->type() == 1) {
            for (const QString &name : variablesIn(static_cast<TextField *>(field)->text))
                names.insert(ReportPage::normalizedKey(name));
        } else if (field->type() == 2) {
            auto *table = static_cast<TableField *>(field);
            for (const QString &cell : qAsConst(table->columnIds)) {
                for (const QString &name : variablesIn(cell))
                    names.insert(ReportPage::normalizedKey(name));
            }
            if (ReportPage::normalizedKey(table->mModelName)
                == ReportPage::normalizedKey(ReportInfo::viewModelName()))
                m_hasAppendix = true;
        }
        m_fieldVariables << names;
        m_usedVariables += names;
    }

    // The names a fill sets are the names the program knows, whatever the register holds.
    ReportInfo::loadData(page.get(), 0, false);
    m_knownVariables.clear();
    for (auto it = page->variables.cbegin(); it != page->variables.cend(); ++it)
        m_knownVariables.insert(it.key());
    m_page = std::move(page);
    return true;
}

bool PrintCheck::hasErrors(const QList<Problem> &problems)
{
    for (const Problem &problem : problems) {
        if (problem.severity == Severity::Error)
            return true;
    }
    return false;
}

QString PrintCheck::severityText(Severity severity)
{
    return severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

QList<PrintCheck::Problem> PrintCheck::checkForms(const QList<int> &types, const QList<int> &ids)
{
    QList<Problem> problems;
    QHash<QString, int> seen; // a problem's texts to its place in the list
    for (int type : types) {
        PrintCheck check(type);
        check.m_anyBlank = true;
        for (const Problem &found : check.check(ids)) {
            const QString key = QStringList{QString::number(found.documentId),
                                            severityText(found.severity),
                                            found.field,
                                            found.text}
                                        .join(QChar(0x1f));
            auto it = seen.constFind(key);
            if (it == seen.constEnd()) {
                it = seen.insert(key, problems.size());
                problems << found;
            }
            problems[it.value()].forms << type;
        }
    }
    for (Problem &problem : problems) {
        if (problem.forms.size() == types.size())
            problem.forms.clear();
    }
    QHash<int, int> order;
    for (int i = ids.size() - 1; i >= 0; --i)
        order.insert(ids.at(i), i);
    const auto position
            = [&order](const Problem &problem) { return order.value(problem.documentId, -1); };
    std::stable_sort(problems.begin(), problems.end(), [&](const Problem &a, const Problem &b) {
        return position(a) < position(b);
    });
    return problems;
}

QList<PrintCheck::Problem> PrintCheck::check(const QList<int> &ids)
{
    QList<Problem> problems;
    QString error;
    if (!m_page && !load(&error)) {
        problems << Problem{0, QString(), Severity::Error, QStringLiteral("Шаблон"), error};
        return problems;
    }
    // One read of the register for the whole check: every statement on its own would lock
    // and unlock the file again, and the documents are seen as they are at one moment.
    QSqlDatabase db = QSqlDatabase::database();
    const bool reading = db.transaction();
    // The organisation's data as it is now: the fill without a document sets just them.
    ReportInfo::loadData(m_page.get(), 0, false);
    checkForm(&problems);

    RegisterNumbers numbers;
    if (!numbers.read())
        problems << Problem{0,
                            QString(),
                            Severity::Error,
                            QStringLiteral("Реестр"),
                            QStringLiteral("Номера документов не удалось прочитать из реестра: "
                                           "повторы номеров не проверены.")};
    for (int id : ids) {
        DocumentRecord record;
        bool failed = false;
        if (!DocumentStore::read(id, &record, &failed)) {
            problems << Problem{id,
                                QString(),
                                Severity::Error,
                                QStringLiteral("Документ"),
                                failed ? QStringLiteral("Документ не удалось прочитать из реестра.")
                                       : QStringLiteral("Документа нет в реестре.")};
            continue;
        }
        const Problem about{id, PersonName{record.fio1, record.fio2, record.fio3}.full()};
        checkData(about, record, numbers, &problems);
        Engine::fillReport(m_type, m_page.get(), id, true);
        checkFit(about, true, &problems);
    }
    ReportInfo::releaseData(m_page.get());
    if (reading)
        db.commit();
    return problems;
}

void PrintCheck::checkForm(QList<Problem> *problems)
{
    QStringList used = m_usedVariables.values();
    std::sort(used.begin(), used.end());
    QSet<QString> toldEmpty;
    for (const QString &name : qAsConst(used)) {
        if (!m_knownVariables.contains(name)) {
            problems->append({0,
                              QString(),
                              Severity::Warning,
                              QStringLiteral("$V{%1}").arg(name),
                              QStringLiteral("Шаблон использует переменную, которой нет в "
                                             "программе: на её месте ничего не будет "
                                             "напечатано.")});
            continue;
        }
        if (!isOrganisation(name) || !m_page->variables.value(name).toString().trimmed().isEmpty())
            continue;
        const QString label = QString::fromUtf8(variableInfo().value(name).label);
        if (toldEmpty.contains(label))
            continue;
        toldEmpty.insert(label);
        problems->append({0,
                          QString(),
                          Severity::Error,
                          label,
                          QStringLiteral("Не заполнено в настройках организации (Файл → "
                                         "Настройки): на бланке это место останется пустым."),
                          true});
    }
    checkFit(Problem(), false, problems);
}

void PrintCheck::checkData(const Problem &about,
                           const DocumentRecord &record,
                           const RegisterNumbers &numbers,
                           QList<Problem> *problems) const
{
    const int id = about.documentId;
    const auto error = [&](const QString &field, const QString &text) {
        problems->append(told(about, Severity::Error, field, text));
    };
    const auto warning = [&](const QString &field, const QString &text) {
        problems->append(told(about, Severity::Warning, field, text));
    };
    const QString numberField = QStringLiteral("Номер свидетельства");
    const QString regField = QStringLiteral("Регистрационный номер");
    const QString birthField = QStringLiteral("Дата рождения");

    if (record.fio1.trimmed().isEmpty())
        error(QStringLiteral("Фамилия"), QStringLiteral("Не указана фамилия."));
    if (record.fio2.trimmed().isEmpty())
        error(QStringLiteral("Имя"), QStringLiteral("Не указано имя."));
    PrintCheck::Severity genderSeverity = Severity::Error;
    const QString genderText = genderProblem(m_type, record, &genderSeverity);
    if (!genderText.isEmpty() && !(m_anyBlank && genderSeverity == Severity::Error))
        problems->append(told(about, genderSeverity, QStringLiteral("Пол"), genderText));
    if (record.number.trimmed().isEmpty())
        error(numberField, QStringLiteral("Не указан номер свидетельства."));
    if (!record.issueDate.isValid())
        error(QStringLiteral("Дата выдачи"), QStringLiteral("Не указана дата выдачи."));
    if (m_usedVariables.contains(QStringLiteral("reg_number"))
        && record.regNumber.trimmed().isEmpty())
        error(regField, QStringLiteral("Не указан регистрационный номер: бланк его печатает."));

    if (!record.birthDate.isValid()) {
        error(birthField, QStringLiteral("Не указана дата рождения."));
    } else if (record.issueDate.isValid()) {
        const int years = fullYears(record.birthDate, record.issueDate);
        const QString birth = record.birthDate.toString(QStringLiteral("dd.MM.yyyy"));
        if (years < 0)
            warning(birthField,
                    QStringLiteral("Дата рождения %1 позже даты выдачи: проверьте её.").arg(birth));
        else if (years < youngest || years > oldest)
            warning(birthField,
                    QStringLiteral("На дату выдачи ученику %1 %2: проверьте дату рождения %3 "
                                   "(обычно от %4 до %5 лет).")
                            .arg(years)
                            .arg(yearsWord(years), birth)
                            .arg(youngest)
                            .arg(oldest));
    }

    const QString number = DocumentNumber::comparable(record.number);
    if (!number.isEmpty()) {
        const QStringList others = numbers.holdersOfNumber(number, {id});
        if (!others.isEmpty())
            error(numberField,
                  QStringLiteral("Номер %1 указан и в документе %2.")
                          .arg(record.number.trimmed(), documentList(others)));
        const QString fromTemplate = numbers.templateWithNumber(number);
        if (!fromTemplate.isEmpty())
            warning(numberField,
                    QStringLiteral("Номер %1 совпадает с номером шаблона «%2»: возможно, его "
                                   "забыли изменить.")
                            .arg(record.number.trimmed(), fromTemplate));
    }
    const QString regNumber = DocumentNumber::comparable(record.regNumber);
    if (!regNumber.isEmpty()) {
        const QStringList others = numbers.holdersOfRegNumber(regNumber, {id});
        if (!others.isEmpty())
            error(regField,
                  QStringLiteral("Регистрационный номер %1 указан и в документе %2.")
                          .arg(record.regNumber.trimmed(), documentList(others)));
    }

    if (!m_hasAppendix)
        return;
    const QString appendixField = QStringLiteral("Приложение");
    if (record.disciplines.isEmpty())
        error(appendixField, QStringLiteral("В приложении нет ни одного предмета."));
    QStringList names;
    for (const DocumentRecord::Discipline &discipline : record.disciplines) {
        if (discipline.rate.trimmed().isEmpty())
            error(appendixField,
                  QStringLiteral("Не указана отметка по предмету «%1».")
                          .arg(discipline.name.trimmed()));
        names << discipline.name.trimmed();
    }
    for (const auto &repeat : DisciplineNames::repeats(names))
        warning(appendixField,
                QStringLiteral("Один предмет указан в приложении дважды: «%1» и «%2».")
                        .arg(repeat.first, repeat.second));
}

// Fields that show a document's data are measured for every document, the others once.
void PrintCheck::checkFit(const Problem &about, bool documentFields, QList<Problem> *problems)
{
    const double scale = printDpi / 25.399931;
    for (int i = 0; i < m_page->fields.size(); ++i) {
        AbstractField *field = m_page->fields.at(i);
        if (field->type() == 2) {
            if (documentFields && field->overflows(scale))
                problems->append(told(about,
                                      Severity::Error,
                                      m_hasAppendix ? QStringLiteral("Таблица предметов")
                                                    : QStringLiteral("Таблица"),
                                      QStringLiteral("Строки не помещаются в таблицу бланка: не "
                                                     "поместившиеся будут обрезаны.")));
            continue;
        }
        if (field->type() != 1)
            continue;
        const QSet<QString> &names = m_fieldVariables.at(i);
        bool ofDocument = false;
        bool ofOrganisation = false;
        for (const QString &name : names) {
            if (m_knownVariables.contains(name) && !isOrganisation(name))
                ofDocument = true;
            ofOrganisation = ofOrganisation || isOrganisation(name);
        }
        if (ofDocument != documentFields)
            continue;
        const QString text = static_cast<TextField *>(field)->text;
        const QPair<int, QString> key(i, m_page->replaceFromVariables(text, true));
        auto fit = m_fits.constFind(key);
        if (fit == m_fits.constEnd())
            fit = m_fits.insert(key, !field->overflows(scale));
        if (fit.value())
            continue;
        QStringList labels;
        for (const QString &name : variablesIn(text)) {
            const auto info = variableInfo().constFind(ReportPage::normalizedKey(name));
            const QString label = info != variableInfo().constEnd()
                                          ? QString::fromUtf8(info->label)
                                          : QStringLiteral("$V{%1}").arg(name);
            if (!labels.contains(label))
                labels << label;
        }
        const QString fieldName = labels.isEmpty() ? QStringLiteral("Текст «%1»").arg(text.left(30))
                                                   : labels.join(QStringLiteral(", "));
        // A field that only the organisation's data fill is shortened in its options.
        const bool inOptions = ofOrganisation && !ofDocument;
        Problem problem = told(about,
                               Severity::Error,
                               fieldName,
                               inOptions ? QStringLiteral("Текст не помещается в поле бланка и "
                                                          "будет обрезан при печати: сократите "
                                                          "его в настройках организации (Файл → "
                                                          "Настройки).")
                                         : QStringLiteral("Текст не помещается в поле бланка и "
                                                          "будет обрезан при печати."));
        problem.organisation = inOptions;
        problems->append(problem);
    }
}

HeadlessCommand PrintCheck::command()
{
    return {optionCheck,
            {{optionCheck, QString()},
             {optionForm, QString(), QStringLiteral("form")},
             {optionDoc, QString(), QStringLiteral("ids")}},
            QStringLiteral(
                    "  ZrPs --check --form БЛАНК --doc НОМЕР[,НОМЕР...]\n"
                    "\n"
                    "Проверка документов перед печатью на бланке: пустые обязательные данные,\n"
                    "сомнительная дата рождения, номера, повторяющиеся в реестре, свидетельство\n"
                    "на бланке для другого пола, пустые данные организации, неизвестные "
                    "переменные\n"
                    "шаблона, текст, который не помещается в своё поле при печати с разрешением\n"
                    "600 dpi. Каждая проблема - строка\n"
                    "\"<номер документа>\\t<error|warning>\\t<поле>\\t<пояснение>\"; проблемы "
                    "бланка\n"
                    "и данных организации, общие для всех документов, - с номером \"-\".\n"
                    "\n"
                    "  --form БЛАНК        тип бланка (301, 302, 303, 304) или его идентификатор\n"
                    "  --doc НОМЕРА        номера документов в реестре (psId) через запятую\n"
                    "\n"
                    "Код возврата: 0 - проблем нет; 3 - есть ошибки; 4 - только предупреждения;\n"
                    "1 - неверный запрос, нет бланка, шаблона, базы данных или документа.\n"),
            &PrintCheck::runCommand};
}

int PrintCheck::runCommand(const QCommandLineParser &parser, QTextStream &err)
{
    for (const QString &name : {optionForm, optionDoc}) {
        if (!parser.isSet(name)) {
            err << QStringLiteral("Не указан параметр --%1.\n\n").arg(name)
                << CommandLine::helpText();
            return BadRequest;
        }
    }
    const ReportListEntry *entry = CommandLine::form(parser.value(optionForm), err);
    if (!entry)
        return BadRequest;
    QList<int> ids;
    if (!CommandLine::documentIds(parser.value(optionDoc), &ids, err))
        return BadRequest;
    QString error;
    if (!Database::openExisting(&error)) {
        err << error << '\n';
        return BadRequest;
    }
    PrintCheck check(entry->type);
    if (!check.load(&error)) {
        err << error << '\n';
        return BadRequest;
    }
    for (int id : qAsConst(ids)) {
        DocumentRecord record;
        bool failed = false;
        if (!DocumentStore::read(id, &record, &failed)) {
            err << DocumentStore::notReadText(id, failed) << '\n';
            return BadRequest;
        }
    }
    const QList<Problem> problems = check.check(ids);
    QTextStream out(stdout);
    for (const Problem &problem : problems)
        out << (problem.documentId > 0 ? QString::number(problem.documentId) : QStringLiteral("-"))
            << '\t' << severityText(problem.severity) << '\t' << textForLine(problem.field) << '\t'
            << textForLine(problem.text) << '\n';
    if (problems.isEmpty())
        return Clean;
    return hasErrors(problems) ? Errors : WarningsOnly;
}
