// What the bridge publishes, as JSON, and the commands it accepts.
//
//   status  {"status":"online","model":..,"firmware":..,"name":..,"serial":..,"address":..}
//           {"status":"offline","reason":..}
//   live {"time":"2026-12-11T16:20:13.123Z","R":..,"G":..,"B":..,"X":..,"Y":..,"INT":..,"C-No":..}
//   config  {"parameters":{"POWER":..,...},"teach":[[8 words] x 32]}
//   reply   {"id":..,"command":..,"result":"ok"|"failed"|"error"|"refused","messages":[..],...}
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/core/session_state.h"
#include "bridge/json.h"
#include "bridge/sensor_link.h"
#include "data/para.h"

namespace lq::bridge {

std::string StatusOnline(const SensorIdentity& id, const std::string& address);
std::string StatusOffline(std::string_view reason);
// `unixSeconds`: the wall-clock time the record was read.
std::string LiveJson(const LiveRecord& r, double unixSeconds);
std::string ConfigJson(const ParaBlock& para, const TeachTable& teach);
// Reads the JSON of `config` back; false with `error` when a word is missing,
// unknown or outside 0..65535. The teach vectors 32..63 stay as they are.
bool ConfigFromJson(const JsonValue& v, ParaBlock& para, TeachTable& teach, std::string& error);

enum class CommandKind { Get, Send, Freq, Identify };
bool CommandFromName(std::string_view name, CommandKind& kind);
const char* CommandName(CommandKind kind);

// A command as it arrived, checked: everything the sensor worker needs.
struct Command {
    CommandKind kind = CommandKind::Get;
    std::string idJson = "null";  // the request's correlation id as JSON
    bool eeprom = false;          // get: load from the EEPROM first; send: store in it
    bool hasConfig = false;       // send: parameter block and teach table to write
    ParaBlock para;
    TeachTable teach;
    std::vector<std::string> messages;  // send from a parameter file: its reports
};

// Parses a payload for `kind`. false: `error` says what is wrong, and
// `idJson` holds the id when one could be read (for the reply).
bool ParseCommand(CommandKind kind, std::string_view payload, Command& cmd, std::string& error);

// The reply to a command. `extra` holds further members (",\"config\":{..}"
// style JSON without the leading comma), or is empty.
std::string ReplyJson(const std::string& idJson, std::string_view command, std::string_view result,
                      const std::vector<std::string>& messages, std::string_view extraMembers = {});

}  // namespace lq::bridge
