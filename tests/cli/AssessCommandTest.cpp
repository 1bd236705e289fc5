// datalogger-cli assess: a simulated week's report held against stats --json; refusals, failures.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>

#include "document/CDTDoc.h"
#include "tests/FileLimit.h"
#include "tests/FileText.h"
#include "tests/PdfTools.h"
#include "tests/TempDir.h"
#include "tests/cli/RunTool.h"
#include "tests/export/RecordOfLevels.h"

namespace {

// A week at 1 s from Monday 2 June 2014, 00:00: quiet nights, busier days, calmer evenings,
// and on Tuesday from 21:00 twenty minutes at 100 dB.
std::vector<float> WeekLevels() {
    constexpr int WEEK = 7 * 24 * 3600;
    std::vector<float> levels(WEEK);
    for (int i = 0; i < WEEK; ++i) {
        const int hour = i / 3600 % 24;
        const float base = hour >= 7 && hour < 19 ? 62.0f : hour >= 19 && hour < 23 ? 55.0f : 45.0f;
        levels[static_cast<std::size_t>(i)] = base + static_cast<float>(i * 7 % 10) * 0.5f;
    }
    const int loud = (24 + 21) * 3600;
    std::fill(levels.begin() + loud, levels.begin() + loud + 1200, 100.0f);
    return levels;
}

class CliAssess : public ::testing::Test {
protected:
    // A measurement file NAME.sound of `levels` a second apart from `start`.
    std::string Store(const char* name, const std::vector<float>& levels,
                      LocalTimeParts start = JUNE_5) {
        CDTDoc doc;
        doc.ReplaceRecord(RecordOfLevels(levels, start), DocumentChange::Downloaded);
        const auto file = m_dir / (std::string(name) + ".sound");
        EXPECT_TRUE(doc.StoreFile(file));
        return file.string();
    }

    CTempDir m_dir;
};

// "2014-06-03T20:10:00+02:00" as the report shows it: "03/06/2014 20:10:00".
std::string ReportTime(const nlohmann::json& iso) {
    const std::string t = iso.get<std::string>();
    return t.substr(8, 2) + "/" + t.substr(5, 2) + "/" + t.substr(0, 4) + " " + t.substr(11, 8);
}

// The rest of the line of `page` from where `start` stands; empty when it is not there.
std::string LineFrom(const std::string& page, const std::string& start) {
    const std::size_t at = page.find(start);
    return at == std::string::npos ? std::string() : page.substr(at, page.find('\n', at + 1) - at);
}

std::string OneDecimal(const nlohmann::json& value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value.get<double>());
    return text;
}

TEST_F(CliAssess, weekReport_threePagesWhoseNumbersAreThoseOfStatsJson) {
    const std::string week = Store("week", WeekLevels(), {2014, 6, 2, 0, 0, 0});
    const auto pdf = m_dir / "week.pdf";
    const CToolRun run = RunTool({"assess", week, pdf.string()});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(PdfInfo(pdf).find("Pages:           3\n"), std::string::npos) << PdfInfo(pdf);

    const CToolRun stats = RunTool({"stats", "--json", week});
    ASSERT_EQ(stats.Status, 0);
    const nlohmann::json json = nlohmann::json::parse(stats.Out);
    const nlohmann::json& a = json.at("assessment");
    const std::string first = PdfPageText(pdf, 1);
    const std::string second = PdfPageText(pdf, 2);
    const struct {
        std::string Page;
        std::string Text;
    } expected[] = {
        // clang-format off
        {LineFrom(first, "Readings "), "604800"}, {LineFrom(first, "Duration"), "7 d 00:00:00"},
        {first, OneDecimal(json["leq_db"]) + " dB(A)"},
        {first, OneDecimal(json["sel_db"]) + " dB(A)"}, {first, OneDecimal(json["l90_db"]) + " dB(A)"},
        {LineFrom(first, "LAmax"), OneDecimal(json["max_db"]) + " dB(A)"},
        {LineFrom(first, "LAmin"), OneDecimal(json["min_db"]) + " dB(A)"},
        {first, OneDecimal(a["lday_db"])}, {first, OneDecimal(a["levening_db"])},
        {first, OneDecimal(a["lnight_db"])}, {first, OneDecimal(a["lden_db"])},
        {LineFrom(first, "\nLEX,8h"), OneDecimal(a["lex_8h_db"]) + " dB(A)"},
        {first, OneDecimal(a["dose"][0]["dose_pct"]) + " %"},
        {first, OneDecimal(a["dose"][1]["projected_8h_pct"]) + " %"},
        {first, "90 dB(A), exchange rate 5 dB, threshold 80 dB(A)"},
        {second, OneDecimal(a["laeq_30min_max_db"]) + " dB(A)"},
        {second, OneDecimal(a["laeq_60min_max_db"]) + " dB(A)"},
        {second, "from " + ReportTime(a["laeq_30min_max_start"])},
        {second, "from " + ReportTime(a["laeq_60min_max_start"])},
        {second, "limit 99 dB(A): not exceeded"}, {second, "limit 95 dB(A): exceeded"},
        {second, "for at least 60 s: 1"}, {second, "03/06/2014 21:00:00"}, {second, "03/06/2014 21:20:00"},
        // clang-format on
    };
    ASSERT_EQ(a["events"].size(), 1u);
    for (const auto& e : expected) {
        EXPECT_NE(e.Page.find(e.Text), std::string::npos) << e.Text << " in\n" << e.Page;
    }
    // Seven calendar days, each spanning its periods, and the whole.
    EXPECT_NE(first.find("08/06/2014"), std::string::npos);
    EXPECT_EQ(first.find("not enough readings"), std::string::npos) << first;
}

TEST_F(CliAssess, refusalsAndFailures_exitWithTheirStatus_andWriteNothing) {
    const std::string out = (m_dir / "out.pdf").string();
    const std::string in = Store("one", {70.0f});
    const struct {
        std::vector<std::string> Arguments;
        int Status;
        const char* Says;
    } cases[] = {
        {{"assess", in, out, "--day", "07-25"}, 64, "--day: an hour is from 0 to 24"},
        {{"assess", in, out, "--evening", "18-23"}, 64, "--evening"},
        {{"assess", in, out, "--event-time", "soon"}, 64, "--event-time"},
        {{"assess", in, in}, 64, "is the measurement file"},
        {{"assess", (m_dir / "missing.sound").string(), out}, 2, "missing.sound"},
        {{"assess", in, (m_dir / "no folder" / "out.pdf").string()}, 1, "could not be written"},
    };
    for (const auto& c : cases) {
        const CToolRun run = RunTool(c.Arguments);
        EXPECT_EQ(run.Status, c.Status) << run.Err;
        EXPECT_NE(run.Err.find(c.Says), std::string::npos) << c.Says << ": " << run.Err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.Says;
    }
}

TEST_F(CliAssess, shortRecord_saysNotEnoughReadings_andAFullDiskKeepsThePreviousFile) {
    // A level no meter gives, as a damaged file may hold, keeps the charts' scales finite.
    EXPECT_EQ(RunTool({"assess", Store("damaged", {1e30f}), (m_dir / "d.pdf").string()}).Status, 0);
    const std::string one = Store("one", {70.0f});
    const auto pdf = m_dir / "one.pdf";
    ASSERT_EQ(RunTool({"assess", one, pdf.string()}).Status, 0);
    const std::string events = PdfPageText(pdf, 2);
    for (const char* figure : {"Highest 30-minute LAeq", "Highest 60-minute LAeq"}) {
        EXPECT_NE(LineFrom(events, figure).find("not enough readings"), std::string::npos)
            << events;
    }
    EXPECT_NE(PdfPageText(pdf, 1).find("Lnight"), std::string::npos);

    constexpr std::uintmax_t LIMIT = 4000;
    ASSERT_GT(std::filesystem::file_size(pdf), LIMIT) << "the report must outgrow the disk";
    std::ofstream(m_dir / "report.pdf") << "the previous report";
    CToolRun run{};
    {
        const CFileSizeLimit full(LIMIT);
        run = RunTool({"assess", one, (m_dir / "report.pdf").string()});
    }
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("report.pdf\" could not be written"), std::string::npos) << run.Err;
    EXPECT_EQ(ReadFileText(m_dir / "report.pdf"), "the previous report");
}

}  // namespace
