#include "commission/FleetReport.h"

#include "commission/JsonKeys.h"
#include "config/ConfigLists.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamWriter>

namespace {

constexpr const char* Format = "talmire-fleet-report";
constexpr int Version = 1;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QJsonObject OutcomeJson(const FleetOutcome& o) {
    QJsonArray written;
    for (const std::string& group : o.written)
        written.append(Q(group));
    QJsonObject object{{"name", Q(o.name)},      {"port", Q(o.port)},  {"passed", o.passed},
                       {"seconds", o.seconds},   {"written", written}, {"tagCheck", Q(o.tagCheck)},
                       {"earlierRun", o.earlier}};
    if (!o.passed) {
        object.insert("step", Q(o.step));
        object.insert("reason", Q(o.reason));
        object.insert("status", o.status);
    }
    if (o.line) {
        object.insert(
            "line",
            QJsonObject{
                {"baud", static_cast<qint64>(o.line->baud)},
                {"parity", QString::fromUtf8(ParityItems[static_cast<std::size_t>(o.line->parity)])
                               .toLower()}});
    }
    if (!o.asFound.empty())
        object.insert("asFound", Q(o.asFound));
    return object;
}

} // namespace

std::string FleetReportJson(const std::vector<FleetOutcome>& outcomes) {
    QJsonArray modules;
    int passed = 0;
    for (const FleetOutcome& outcome : outcomes) {
        modules.append(OutcomeJson(outcome));
        passed += outcome.passed ? 1 : 0;
    }
    const QJsonObject root{{"format", Format},
                           {"version", Version},
                           {"passed", passed},
                           {"failed", static_cast<int>(outcomes.size()) - passed},
                           {"modules", modules}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

std::string FleetJUnitXml(const std::vector<FleetOutcome>& outcomes) {
    QString text;
    QXmlStreamWriter xml(&text);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    int failed = 0;
    double seconds = 0;
    for (const FleetOutcome& outcome : outcomes) {
        failed += outcome.passed ? 0 : 1;
        seconds += outcome.seconds;
    }
    xml.writeStartElement("testsuite");
    xml.writeAttribute("name", "fleet");
    xml.writeAttribute("tests", QString::number(outcomes.size()));
    xml.writeAttribute("failures", QString::number(failed));
    xml.writeAttribute("time", QString::number(seconds, 'f', 3));
    for (const FleetOutcome& outcome : outcomes) {
        xml.writeStartElement("testcase");
        xml.writeAttribute("classname", "fleet." + Q(outcome.port));
        xml.writeAttribute("name", Q(outcome.name));
        xml.writeAttribute("time", QString::number(outcome.seconds, 'f', 3));
        if (!outcome.passed) {
            xml.writeStartElement("failure");
            xml.writeAttribute("type", Q(outcome.step));
            xml.writeAttribute("message", Q(outcome.step + ": " + outcome.reason));
            xml.writeCharacters(Q(outcome.reason));
            xml.writeEndElement();
        } else if (outcome.earlier) {
            xml.writeTextElement("system-out", "passed in an earlier run");
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return text.toStdString();
}

std::optional<std::vector<FleetOutcome>> PassedInReport(const std::string& text,
                                                        std::string& error) {
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text));
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value("format").toString() != Format ||
        root.value("version").toInt() != Version || !root.value("modules").isArray() ||
        DuplicateJsonKey(text)) {
        error = "not a fleet state file of this version";
        return std::nullopt;
    }
    std::vector<FleetOutcome> passed;
    for (const auto& value : root.value("modules").toArray()) {
        const QJsonObject module = value.toObject();
        if (!module.value("passed").toBool() || !module.value("name").isString())
            continue;
        FleetOutcome outcome;
        outcome.name = module.value("name").toString().toStdString();
        outcome.port = module.value("port").toString().toStdString();
        outcome.passed = true;
        outcome.seconds = module.value("seconds").toDouble();
        outcome.tagCheck = module.value("tagCheck").toString().toStdString();
        outcome.asFound = module.value("asFound").toString().toStdString();
        for (const auto& group : module.value("written").toArray())
            outcome.written.push_back(group.toString().toStdString());
        outcome.earlier = true;
        passed.push_back(outcome);
    }
    return passed;
}
