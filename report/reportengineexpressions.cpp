// Field texts: references, built-in variables and script formulas.
#include "reportengine.h"
#include "reportlogging.h"

#include "fieldhighlighting.h"
#include "numberformat.h"
#include "reportbandobject.h"
#include "reportcrosstabobject.h"
#include "reportfieldobject.h"
#include "reportfunctions.h"
#include "reportpageobject.h"
#include "reportsql.h"
#include "timedscript.h"

#include <QDate>
#include <QDebug>
#include <QMetaMethod>
#include <QRegularExpression>
#include <QScriptEngine>
#include <QTextDocument>
#include <QTime>

namespace {

const QString kShowInGroup = QStringLiteral("showInGroup");

bool isReference(const QString& token)
{
    return token.contains(QLatin1Char('[')) && token.contains(QLatin1Char(']')) && !token.contains(QLatin1Char('<'));
}

// A plain decimal number, the only data text that reaches a script as code.
bool isNumberText(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?\\s*$"));
    return number.match(text).hasMatch();
}

// A number as an operand that stays one whatever stands before it: a signed
// value in parentheses, so "[a]-[b]" with b = -5 reads 21-(-5), not 21--5.
QString numberOperand(const QString& text)
{
    const QString number = text.trimmed();
    const bool hasSign = number.startsWith(QLatin1Char('-')) || number.startsWith(QLatin1Char('+'));
    return hasSign ? QLatin1Char('(') + number + QLatin1Char(')') : text;
}

// A script string literal holding exactly `text`.
QString quoted(const QString& text)
{
    QString literal = QStringLiteral("'");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            literal += QStringLiteral("\\\\");
            break;
        case '\'':
            literal += QStringLiteral("\\'");
            break;
        case '\n':
            literal += QStringLiteral("\\n");
            break;
        case '\r':
            literal += QStringLiteral("\\r");
            break;
        case 0x2028:
        case 0x2029:
            literal += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16);
            break;
        default:
            literal += c;
        }
    }
    return literal + QLatin1Char('\'');
}

// Cuts a field text into plain text, references and formulas. Angle
// brackets cut only outside expression mode, where they are comparisons.
QStringList splitTokens(const QString& text, bool expressionMode)
{
    QStringList tokens;
    QString gathered;
    bool inAngle = false;
    const auto store = [&] {
        if (!gathered.isEmpty())
            tokens << gathered;
        gathered.clear();
    };
    for (const QChar c : text) {
        if (!expressionMode && c == QLatin1Char('<')) {
            store();
            gathered = c;
            inAngle = true;
        } else if (!expressionMode && c == QLatin1Char('>')) {
            gathered += c;
            store();
            inAngle = false;
        } else if (c == QLatin1Char('[') && !inAngle) {
            store();
            gathered = c;
        } else if (c == QLatin1Char(']') && !inAngle) {
            gathered += c;
            store();
        } else {
            gathered += c;
        }
    }
    store();
    return tokens;
}

// A formula cut at square brackets: references and the text between them.
QStringList cutAtBrackets(const QString& text)
{
    QStringList parts;
    QString gathered;
    for (const QChar c : text) {
        if (c == QLatin1Char('[')) {
            if (!gathered.isEmpty())
                parts << gathered;
            gathered = c;
        } else if (c == QLatin1Char(']')) {
            gathered += c;
            parts << gathered;
            gathered.clear();
        } else {
            gathered += c;
        }
    }
    if (!gathered.isEmpty())
        parts << gathered;
    return parts;
}

bool followsAggregate(const QString& before)
{
    const QString upper = before.toUpper();
    for (const char* word : {"SUM", "AVG", "COUNT", "MAX", "MIN"}) {
        if (upper.contains(QLatin1String(word)))
            return true;
    }
    return false;
}

// The built-in variables, replaced before a formula is evaluated: their
// words ("<LineCount>") call no aggregate.
QString withoutBuiltins(QString token)
{
    for (const char* name : {"<Date>", "<Time>", "<Page>", "<TotalPages>", "<LineNo>", "<LineCount>"})
        token.remove(QLatin1String(name));
    return token;
}

const QRegularExpression& aggregateWord()
{
    static const QRegularExpression word(QStringLiteral("sum|avg|count|max|min"),
                                         QRegularExpression::CaseInsensitiveOption);
    return word;
}

// Which collected values the template can read: by name, in the form the
// reader needs; `all` when it cannot tell.
struct ReadValues
{
    bool all = false;
    QHash<QString, GroupEntryList::Form> names;

    void read(const QString& name, GroupEntryList::Form form)
    {
        GroupEntryList::Form& held = names[name];
        held = std::max(held, form);
    }

    // A formula reaches the aggregates with the references written right
    // after an aggregate call, "Sum([amount])", as their names. Any other
    // use of an aggregate word may build a name, so every value is kept.
    void formula(const QString& text)
    {
        static const QRegularExpression openCall(QStringLiteral("^\\s*\\(\\s*['\"]?\\s*$"));
        const QStringList parts = cutAtBrackets(text);
        for (int i = 0; i < parts.size() && !all; ++i) {
            const QString& part = parts.at(i);
            if (part.contains(QLatin1Char('[')) && part.contains(QLatin1Char(']'))) {
                if (i > 0 && followsAggregate(parts.at(i - 1)))
                    read(part, GroupEntryList::AsNumber);
                continue;
            }
            auto words = aggregateWord().globalMatch(part);
            while (words.hasNext() && !all) {
                const auto word = words.next();
                all = i + 1 >= parts.size() || !openCall.match(part.mid(word.capturedEnd())).hasMatch();
            }
        }
    }

    // The formulas of a field text as processValue finds them.
    void fieldText(const QString& text)
    {
        for (const QString& token : splitTokens(text, false)) {
            const QString formula = withoutBuiltins(token);
            if (!isReference(token) && formula.contains(QLatin1Char('<')) && formula.contains(QLatin1Char('>')))
                this->formula(formula);
        }
    }

    // A condition is script text; its references become values, so an
    // aggregate in it can only be given a name it builds.
    void condition(const QString& text)
    {
        for (const QString& token : splitTokens(text, true)) {
            if (!isReference(token) && aggregateWord().match(withoutBuiltins(token)).hasMatch())
                all = true;
        }
    }
};

} // namespace

// Only the group scan and the aggregates read collected values. A program
// that changes fields as they are laid out may give them anything to read.
void ReportEngine::keepReadValues()
{
    ReadValues read;
    read.all = isSignalConnected(QMetaMethod::fromSignal(&ReportEngine::setField));
    for (const ReportPageObject* page : qAsConst(pageList)) {
        for (const ReportBandObject* band : page->bandList) {
            if (band->type == DataGroupHeader)
                read.read(band->groupingField, GroupEntryList::AsText);
            QList<ReportFieldObject*> fields = band->fieldList;
            for (int i = 0; i < fields.size() && !read.all; ++i) {
                const ReportFieldObject* field = fields.at(i);
                if (field->crossTab)
                    fields += field->crossTab->fieldList;
                read.fieldText(field->value);
                if (field->fieldType == textRich) {
                    QTextDocument document;
                    document.setHtml(field->value);
                    read.fieldText(document.toPlainText());
                }
                for (const GraphParam& graph : field->graphList)
                    read.fieldText(graph.formula);
                read.condition(field->printing);
                read.condition(field->highlighting);
            }
        }
    }
    if (read.all)
        groupEntries.keepAll();
    else if (groupEntries.keepOnly(read.names))
        m_aggregates.reset();
}

QString ReportEngine::processValue(ReportBandObject* band, QString text, bool expressionMode, bool collectValues,
                                   QString format)
{
    QString result;
    for (QString token : splitTokens(text, expressionMode)) {
        if (isReference(token)) {
            const QString value = referenceValue(token);
            if (expressionMode) {
                result += isNumberText(value) ? numberOperand(value) : quoted(value);
                continue;
            }
            if (collectValues)
                groupEntries.append(GroupEntry{token, QVariant(value), recNo, reportPageNo});
            result += formatNumber(value, format);
            continue;
        }
        replaceBuiltins(token);
        if (token.contains(QLatin1Char('<')) && token.contains(QLatin1Char('>')))
            token = formatNumber(evaluateFormula(band, token), format);
        result += token;
    }
    return result;
}

// Each variable is worked out only where it stands: reading the clock
// re-reads the time zone.
void ReportEngine::replaceBuiltins(QString& token) const
{
    if (!token.contains(QLatin1Char('<')))
        return;
    const auto replace = [&token](QLatin1String name, const std::function<QString()>& value) {
        if (token.contains(name))
            token.replace(name, value());
    };
    replace(QLatin1String("<Date>"), [this] { return builtinVariable(QStringLiteral("Date")).toString(); });
    replace(QLatin1String("<Time>"), [] { return QTime::currentTime().toString(Qt::TextDate); });
    replace(QLatin1String("<Page>"), [this] { return QString::number(curPage); });
    replace(QLatin1String("<TotalPages>"), [this] { return QString::number(totalPage); });
    replace(QLatin1String("<LineNo>"), [this] { return builtinVariable(QStringLiteral("LineNo")).toString(); });
    replace(QLatin1String("<LineCount>"), [this] { return builtinVariable(QStringLiteral("LineCount")).toString(); });
}

QStringList ReportEngine::splitValue(const QString& text) const
{
    return cutAtBrackets(text);
}

QVariant ReportEngine::builtinVariable(const QString& name) const
{
    if (name == QLatin1String("Date"))
        return QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    if (name == QLatin1String("LineNo"))
        return QString::number(groupValues.isEmpty() ? recNo + 1 : lineNo);
    if (name == QLatin1String("LineCount"))
        return qMax(0, groupEntries.highestRecNo(reportPageNo)) + 1;
    return QVariant();
}

QString ReportEngine::getFieldValueFromSource(QString paramName)
{
    paramName.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    QVariant value;
    emit setValue(recNo, paramName, value, reportPageNo);
    return value.toString();
}

// A report page with an SQL source reads its references from that source's
// columns; the program answers those of a page without one, whatever the
// other pages read.
QString ReportEngine::referenceValue(const QString& token)
{
    ReportSql* source = dataSources.source(reportPageNo);
    return source ? source->getReferenceValue(token, recNo) : getFieldValueFromSource(token);
}

// The references a formula replaces by their values: every one but those
// an aggregate names (they name the collected values to aggregate).
QStringList ReportEngine::formulaReferences(const QString& formula) const
{
    QStringList references;
    const QStringList parts = splitValue(formula);
    for (int i = 1; i < parts.size(); ++i) {
        const QString& part = parts.at(i);
        if (part.contains(QLatin1Char('[')) && part.contains(QLatin1Char(']')) && !followsAggregate(parts.at(i - 1))
            && !references.contains(part))
            references << part;
    }
    return references;
}

// Each reference becomes a script variable holding its value, so no data
// text is ever read as code: __refN outside quotes (a number where the value
// reads as one), and inside a quoted literal of the template the literal is
// split around __textN, the value as text. A literal so split is put in
// parentheses: it stays one operand, as the literal with the value written
// into it would be ("'[a]'*2" multiplies the whole text).
QString ReportEngine::substituteReferences(const QString& formula, const QStringList& references)
{
    if (references.isEmpty())
        return formula;
    QString out;
    QChar quote;
    int literalStart = -1;
    bool literalSplit = false;
    for (int i = 0; i < formula.size();) {
        const QChar c = formula.at(i);
        if (c == QLatin1Char('[')) {
            const auto match = std::find_if(references.cbegin(), references.cend(),
                                            [&](const QString& r) { return formula.midRef(i).startsWith(r); });
            if (match != references.cend()) {
                const QString n = QString::number(match - references.cbegin());
                out += quote.isNull() ? QStringLiteral("__ref") + n
                                      : QString(quote) + QStringLiteral(" + __text") + n + QStringLiteral(" + ") + quote;
                literalSplit = literalSplit || !quote.isNull();
                i += match->size();
                continue;
            }
        }
        if (!quote.isNull() && c == QLatin1Char('\\') && i + 1 < formula.size()) {
            out += formula.midRef(i, 2);
            i += 2;
            continue;
        }
        out += c;
        ++i;
        if (quote.isNull() && (c == QLatin1Char('\'') || c == QLatin1Char('"'))) {
            quote = c;
            literalStart = out.size() - 1;
            literalSplit = false;
        } else if (c == quote) {
            quote = QChar();
            if (literalSplit) {
                out.insert(literalStart, QLatin1Char('('));
                out += QLatin1Char(')');
            }
        }
    }
    return out;
}

QString ReportEngine::rewriteFormula(QString formula)
{
    formula = ReportFunctions::rewriteAggregateCalls(formula);
    formula.replace(QLatin1Char('['), QStringLiteral("'["));
    formula.replace(QLatin1Char(']'), QStringLiteral("]'"));
    formula.remove(QLatin1Char('<'));
    formula.remove(QLatin1Char('>'));
    return formula;
}

QString ReportEngine::evaluateFormula(ReportBandObject* band, QString formula)
{
    scriptEngine();
    m_script->setGlobal(kShowInGroup, band ? band->showInGroup : false);
    // On a page with an SQL source only the references naming it have
    // values; any other stays as written and reaches the script as text.
    ReportSql* source = dataSources.source(reportPageNo);
    const QString key = source ? QStringLiteral("\x1fsql:") + source->objectName() + QLatin1Char('\x1f') + formula
                               : formula;
    // The script text depends only on the formula (and the page's source):
    // it is made and compiled once per report, then run with each record's values.
    if (const QString* stopped = stoppedText(key))
        return *stopped;
    auto prepared = m_formulas.find(key);
    if (prepared == m_formulas.end()) {
        PreparedFormula made;
        for (const QString& reference : formulaReferences(formula)) {
            if (!source || !source->referenceColumn(reference).isEmpty())
                made.references << reference;
        }
        for (int i = 0; i < made.references.size(); ++i)
            made.names << QStringLiteral("__ref") + QString::number(i) << QStringLiteral("__text") + QString::number(i);
        made.program = QScriptProgram(rewriteFormula(substituteReferences(formula, made.references)));
        prepared = m_formulas.insert(key, made);
    }
    QList<ScriptBinding> bindings;
    bindings.reserve(prepared->references.size() * 2);
    for (int i = 0; i < prepared->references.size(); ++i) {
        const QString& reference = prepared->references.at(i);
        QString value;
        if (source) {
            value = source->getReferenceValue(reference, recNo);
            qCDebug(lcReport).noquote() << "value from DB: " << value;
            qCDebug(lcReport).noquote() << "formula with value: " << QString(formula).replace(reference, value);
        } else {
            value = getFieldValueFromSource(reference);
        }
        bindings.append({prepared->names.at(2 * i), value, false});
        bindings.append({prepared->names.at(2 * i + 1), value, true});
    }
    const QString result = evaluateScript(prepared->program, bindings);
    if (m_script->stopped())
        markStopped(key, result);
    return result;
}

const QString* ReportEngine::stoppedText(const QString& key) const
{
    const auto stopped = m_timedOut.constFind(key);
    return stopped != m_timedOut.cend() && passRecord() >= stopped->record ? &stopped->text : nullptr;
}

void ReportEngine::markStopped(const QString& key, const QString& text)
{
    m_timedOut.insert(key, Stopped{text, passRecord()});
}

void ReportEngine::setScriptTimeLimit(int milliseconds)
{
    TimedScript::setTimeLimit(milliseconds);
}

QScriptEngine* ReportEngine::scriptEngine()
{
    if (!m_script) {
        m_script = makeScript();
        registerScriptFunctions(&m_script->engine());
        // What the report itself put there stays, with the built-ins, for
        // every formula ("this.Sum = null" does not take Sum from the
        // formulas after it).
        m_script->engine().globalObject().setProperty(kShowInGroup, false);
        m_script->keepGlobals();
    }
    return &m_script->engine();
}

// The report functions (aggregates, text, rounding, amounts in words) come
// in here, into the report's one script engine.
void ReportEngine::registerScriptFunctions(QScriptEngine* engine)
{
    ReportFunctions::install(*engine, &m_aggregates);
}

QString ReportEngine::evaluateScript(const QString& script, const QList<ScriptBinding>& bindings, qint64* integer)
{
    return evaluateScript(QScriptProgram(script), bindings, integer);
}

QString ReportEngine::evaluateScript(const QScriptProgram& program, const QList<ScriptBinding>& bindings,
                                     qint64* integer)
{
    scriptEngine();
    const QScriptValue value = m_script->evaluate(program, [&bindings](QScriptValue& scope) {
        for (const ScriptBinding& binding : bindings) {
            if (!binding.keepText && isNumberText(binding.text))
                scope.setProperty(binding.name, binding.text.trimmed().toDouble());
            else
                scope.setProperty(binding.name, binding.text);
        }
    });
    if (integer)
        *integer = value.isError() ? 0 : qint64(value.toInteger());
    return value.toString();
}

QString ReportEngine::formatNumber(const QString& value, const QString& format) const
{
    return ::formatNumber(value, format);
}

QVariant ReportEngine::processHighlighting(ReportFieldObject* field, int property)
{
    if (field->highlighting.isEmpty())
        return field->ownHighlighting(property);
    return evaluateHighlighting(field, property);
}

// Conditions are read in expression mode: the field's references become
// script literals, never code. They run apart from formulas (no report
// functions), under the same time limit.
QVariant ReportEngine::evaluateHighlighting(ReportFieldObject* field, int property)
{
    const QString key = QStringLiteral("\x1fhighlighting:") + field->highlighting;
    if (stoppedText(key))
        return field->ownHighlighting(property);
    if (!m_conditionScript)
        m_conditionScript = makeScript();
    const FieldHighlighting::Field rules{field->highlighting, field->font, field->defaultFontColor,
                                         field->defaultBackgroundColor};
    const auto resolve = [this, field](const QString& text) {
        return processValue(field->parentBand, text, true, false, QString());
    };
    const QVariant value = FieldHighlighting::property(rules, property, resolve, *m_conditionScript);
    if (m_conditionScript->stopped()) {
        markStopped(key, QString());
        return field->ownHighlighting(property);
    }
    return value;
}
