// The assistant against the simulated sensor on the loopback interface, with
// helpers for its dialogues and for the live records the sensor answers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assistant/assistant.h"
#include "data/language_texts.h"
#include "tests/session/fixture.h"

namespace lq::test {

using Requests = std::vector<std::vector<int>>;

// 21 live-record words; fill in what a case needs.
struct Record {
    int16_t w[21] = {};
    Record& Rgb(int r, int g, int b) {
        w[0] = static_cast<int16_t>(r), w[1] = static_cast<int16_t>(g),
        w[2] = static_cast<int16_t>(b);
        return *this;
    }
    Record& Xyi(int x, int y, int i) {
        w[3] = static_cast<int16_t>(x), w[4] = static_cast<int16_t>(y),
        w[5] = static_cast<int16_t>(i);
        return *this;
    }
    Record& Word(int n, int v) {
        w[n] = static_cast<int16_t>(v);
        return *this;
    }
};

class AssistantTest : public SimTest {
  protected:
    // A simulator of `model` ("v4" five outputs, "qx" two outputs), connected
    // with TRY TO CONNECT, so the program holds the sensor's parameters.
    void Start(const char* model = "v4") {
        lqsim::SimConfig config;
        config.model = model;
        StartSim(config);
        ConnectOk();
        ui.popups.clear();
    }

    void Queue(const Record& r) { sensor->QueueLiveRecord(r.w); }
    // A record whose raw red is above the default target level: ends the sweep.
    static Record Bright() { return Record{}.Rgb(3300, 1000, 500).Xyi(5000, 3000, 1600); }

    // Operator answers for a run to teaching: count `count` (no direct output
    // when asked), OK at the brightest-colour popup.
    void AnswerToTeaching(const std::string& count = "1") {
        ui.AnswerPopup(1, count);
        if (std::stoi(count) <= (a.s.sensorType == 2 ? 2 : 5)) ui.AnswerPopup(0);
        ui.AnswerPopup(1);
    }

    void Run() { ui.Commit(a.s.tpAssist, BUTTON_START); }

    std::string Text(const char* const (&table)[kLanguages], int language = 0) {
        return AssistText(table, language);
    }
    // Kind, title and text of every popup so far.
    std::vector<std::string> Texts() {
        std::vector<std::string> out;
        for (const PopupRecord& p : ui.popups) out.push_back(p.text);
        return out;
    }
    std::vector<std::string> Titles() {
        std::vector<std::string> out;
        for (const PopupRecord& p : ui.popups) out.push_back(p.title);
        return out;
    }
    bool Shown(const char* const (&table)[kLanguages], int language = 0) {
        for (const PopupRecord& p : ui.popups)
            if (p.text == Text(table, language)) return true;
        return false;
    }
    std::string LastText() { return ui.popups.empty() ? "" : ui.popups.back().text; }

    int Cell(int column, int row) {
        return ui.GetTableCellVal(a.s.tpAssist, GRID_CTT, MakePoint(column, row));
    }
    uint32_t CellBg(int column, int row) {
        return ui.GetTableCellBgColor(a.s.tpAssist, GRID_CTT, MakePoint(column, row));
    }
    // The row's four value cells all have this background.
    bool RowBg(int row, uint32_t rgb) {
        for (int c = 1; c <= 4; ++c)
            if (CellBg(c, row) != rgb) return false;
        return true;
    }
};

}  // namespace lq::test
