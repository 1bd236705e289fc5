#pragma once

#include <csv.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using CsvRows = std::vector<std::vector<std::string>>;

// Reads CSV text with libcsv in its strict RFC 4180 mode; fails the test on malformed text.
inline CsvRows ParseCsv(const std::string& text) {
    csv_parser parser{};
    EXPECT_EQ(csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_APPEND_NULL), 0);
    CsvRows rows(1);
    const auto field = [](void* data, std::size_t length, void* out) {
        static_cast<CsvRows*>(out)->back().emplace_back(static_cast<const char*>(data), length);
    };
    const auto rowEnd = [](int, void* out) { static_cast<CsvRows*>(out)->emplace_back(); };
    const std::size_t parsed = csv_parse(&parser, text.data(), text.size(), field, rowEnd, &rows);
    EXPECT_EQ(parsed, text.size()) << csv_strerror(csv_error(&parser));
    EXPECT_EQ(csv_fini(&parser, field, rowEnd, &rows), 0);
    csv_free(&parser);
    rows.pop_back();  // the row the last line end opened
    return rows;
}
