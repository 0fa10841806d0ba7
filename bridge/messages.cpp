#include "bridge/messages.h"

#include <ctime>

#include "data/ini.h"
#include "data/paramfile_doc.h"

namespace lq::bridge {
namespace {

constexpr size_t kMaxIdLength = 256;

// The texts the panel asks about before it takes a file that is not one of
// its parameter files; a command has no operator to ask, so `force` answers.
constexpr const char* kTextNotParameterFile =
    "Selected file is not a parameter file! \nDo you want to proceed anyway?";
constexpr const char* kTextVersionMismatch =
    "Selected file and kelvo version do not match! \nDo you want to proceed anyway?";

bool ReadId(const JsonValue& v, std::string& idJson, std::string& error) {
    const JsonValue* id = v.Find("id");
    if (!id) return true;
    JsonWriter w;
    if (id->type == JsonValue::Type::String && id->text.size() <= kMaxIdLength) {
        w.Utf8String(id->text);
    } else if (id->IsInteger(-9007199254740991LL, 9007199254740991LL)) {
        w.Int(static_cast<int64_t>(id->number));
    } else {
        error = "id must be a string of at most 256 bytes or a whole number";
        return false;
    }
    idJson = w.Take();
    return true;
}

bool ReadBool(const JsonValue& v, const char* key, bool& out, std::string& error) {
    const JsonValue* b = v.Find(key);
    if (!b) return true;
    if (b->type != JsonValue::Type::Bool) {
        error = std::string(key) + " must be true or false";
        return false;
    }
    out = b->boolean;
    return true;
}

bool KnownKey(const std::string& key, std::initializer_list<const char*> keys) {
    for (const char* k : keys)
        if (key == k) return true;
    return false;
}

bool ConfigFromFileText(const std::string& text, bool force, Command& cmd, std::string& error) {
    IniHandle doc = Ini_NewHandle();
    if (!doc || Ini_ReadFromText(doc.get(), text) < 0) {
        error = "the parameter file text cannot be read";
        return false;
    }
    if (!force && GetFileType(doc.get()) != kParameterFileType) {
        error = kTextNotParameterFile;
        return false;
    }
    if (!force && GetKelvoVersion(doc.get()) != kKelvoVersion) {
        error = kTextVersionMismatch;
        return false;
    }
    const std::string paraReport = AcquireParaFromIniHandle(doc.get(), cmd.para);
    const std::string teachReport = AcquireTechVecFromIniHandle(doc.get(), cmd.teach);
    if (!paraReport.empty()) cmd.messages.push_back(paraReport);
    if (!teachReport.empty()) cmd.messages.push_back(teachReport);
    cmd.hasConfig = true;
    return true;
}

}  // namespace

std::string StatusOnline(const SensorIdentity& id, const std::string& address) {
    JsonWriter w;
    w.BeginObject()
        .Key("status")
        .String("online")
        .Key("model")
        .String(id.model)
        .Key("firmware")
        .String(id.firmware)
        .Key("name")
        .String(id.name)
        .Key("serial")
        .Int(id.serial)
        .Key("address")
        .String(address)
        .EndObject();
    return w.Take();
}

std::string StatusOffline(std::string_view reason) {
    JsonWriter w;
    w.BeginObject().Key("status").String("offline").Key("reason").String(reason).EndObject();
    return w.Take();
}

std::string LiveJson(const LiveRecord& r, double unixSeconds) {
    const time_t secs = static_cast<time_t>(unixSeconds);
    int ms = static_cast<int>((unixSeconds - static_cast<double>(secs)) * 1000.0);
    if (ms < 0) ms = 0;
    if (ms > 999) ms = 999;
    tm utc{};
    gmtime_r(&secs, &utc);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, ms);
    JsonWriter w;
    w.BeginObject()
        .Key("time")
        .String(stamp)
        .Key("R")
        .Int(r.R())
        .Key("G")
        .Int(r.G())
        .Key("B")
        .Int(r.B())
        .Key("X")
        .Int(r.X())
        .Key("Y")
        .Int(r.Y())
        .Key("INT")
        .Int(r.INT())
        .Key("C-No")
        .Int(r.ColorNo())
        .EndObject();
    return w.Take();
}

std::string ConfigJson(const ParaBlock& para, const TeachTable& teach) {
    JsonWriter w;
    w.BeginObject().Key("parameters").BeginObject();
    for (int i = 0; i < kParaWords; ++i) w.Key(ParaName(i)).Int(para[i]);
    w.EndObject().Key("teach").BeginArray();
    for (int v = 0; v < kSensorTeachVectors; ++v) {
        w.BeginArray();
        for (int k = 0; k < kTeachWords; ++k) w.Int(teach[v][k]);
        w.EndArray();
    }
    w.EndArray().EndObject();
    return w.Take();
}

bool ConfigFromJson(const JsonValue& v, ParaBlock& para, TeachTable& teach, std::string& error) {
    if (!v.IsObject()) {
        error = "config must be an object with parameters and teach";
        return false;
    }
    const JsonValue* p = v.Find("parameters");
    const JsonValue* t = v.Find("teach");
    if (!p || !p->IsObject()) {
        error = "config.parameters must be an object";
        return false;
    }
    if (!t || t->type != JsonValue::Type::Array || t->items.size() != kSensorTeachVectors) {
        error = "config.teach must be an array of 32 teach vectors";
        return false;
    }
    ParaBlock newPara;
    TeachTable newTeach = teach;
    for (const auto& m : p->members) {
        bool known = false;
        for (int i = 0; i < kParaWords; ++i) known = known || m.first == ParaName(i);
        if (!known) {
            error = "unknown parameter '" + m.first + "'";
            return false;
        }
    }
    for (int i = 0; i < kParaWords; ++i) {
        const JsonValue* word = p->Find(ParaName(i));
        if (!word || !word->IsInteger(0, 65535)) {
            error = "parameter '" + std::string(ParaName(i)) +
                    "' must be a whole number from 0 to 65535";
            return false;
        }
        newPara[i] = static_cast<uint16_t>(word->number);
    }
    for (int vi = 0; vi < kSensorTeachVectors; ++vi) {
        const JsonValue& vec = t->items[static_cast<size_t>(vi)];
        if (vec.type != JsonValue::Type::Array || vec.items.size() != kTeachWords) {
            error = "teach vector " + std::to_string(vi) + " must be an array of 8 words";
            return false;
        }
        for (int k = 0; k < kTeachWords; ++k) {
            const JsonValue& word = vec.items[static_cast<size_t>(k)];
            if (!word.IsInteger(0, 65535)) {
                error = "teach vector " + std::to_string(vi) + " word " + std::to_string(k) +
                        " must be a whole number from 0 to 65535";
                return false;
            }
            newTeach[vi][k] = static_cast<uint16_t>(word.number);
        }
    }
    para = newPara;
    teach = newTeach;
    return true;
}

bool CommandFromName(std::string_view name, CommandKind& kind) {
    for (CommandKind k :
         {CommandKind::Get, CommandKind::Send, CommandKind::Freq, CommandKind::Identify}) {
        if (name == CommandName(k)) {
            kind = k;
            return true;
        }
    }
    return false;
}

const char* CommandName(CommandKind kind) {
    switch (kind) {
        case CommandKind::Get:
            return "get";
        case CommandKind::Send:
            return "send";
        case CommandKind::Freq:
            return "freq";
        case CommandKind::Identify:
            return "identify";
    }
    return "?";
}

bool ParseCommand(CommandKind kind, std::string_view payload, Command& cmd, std::string& error) {
    cmd = Command{};
    cmd.kind = kind;
    JsonValue v;
    if (payload.empty() && kind != CommandKind::Send) {
        v.type = JsonValue::Type::Object;  // nothing to say: all defaults
    } else if (!ParseJson(payload, v, error)) {
        error = "payload is not JSON: " + error;
        return false;
    }
    if (!v.IsObject()) {
        error = "payload must be a JSON object";
        return false;
    }
    if (!ReadId(v, cmd.idJson, error)) return false;
    for (const auto& m : v.members) {
        const bool ok = kind == CommandKind::Send
                            ? KnownKey(m.first, {"id", "eeprom", "config", "file", "force"})
                        : kind == CommandKind::Get ? KnownKey(m.first, {"id", "eeprom"})
                                                   : KnownKey(m.first, {"id"});
        if (!ok) {
            error = "unknown member '" + m.first + "' for " + CommandName(kind);
            return false;
        }
    }
    if (!ReadBool(v, "eeprom", cmd.eeprom, error)) return false;
    if (kind != CommandKind::Send) return true;

    bool force = false;
    if (!ReadBool(v, "force", force, error)) return false;
    const JsonValue* config = v.Find("config");
    const JsonValue* file = v.Find("file");
    if ((config != nullptr) == (file != nullptr)) {
        error =
            "send needs exactly one of config (the JSON of config) and file (a parameter file's "
            "text)";
        return false;
    }
    if (config) {
        if (!ConfigFromJson(*config, cmd.para, cmd.teach, error)) return false;
        cmd.hasConfig = true;
        return true;
    }
    if (file->type != JsonValue::Type::String) {
        error = "file must be the text of a parameter file";
        return false;
    }
    return ConfigFromFileText(file->text, force, cmd, error);
}

std::string ReplyJson(const std::string& idJson, std::string_view command, std::string_view result,
                      const std::vector<std::string>& messages, std::string_view extraMembers) {
    JsonWriter w;
    w.BeginObject().Key("id").Raw(idJson).Key("command").String(command).Key("result").String(
        result);
    w.Key("messages").BeginArray();
    for (const std::string& m : messages) w.String(m);
    w.EndArray();
    std::string out = w.Take();
    if (!extraMembers.empty()) {
        out += ',';
        out += extraMembers;
    }
    out += '}';
    return out;
}

}  // namespace lq::bridge
