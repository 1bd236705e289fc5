#pragma once

#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <QImage>
#include <QString>

// Poppler's command-line tools, which read back the PDF files the program writes.

// What a shell command printed on its standard output.
inline std::string CommandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (const std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe)) {
            output.append(buffer, read);
        }
        pclose(pipe);
    }
    return output;
}

inline std::string Quoted(const std::filesystem::path& file) {
    return "'" + file.string() + "'";
}

// pdfinfo's description: page count, page size and the like.
inline std::string PdfInfo(const std::filesystem::path& pdf) {
    return CommandOutput("pdfinfo " + Quoted(pdf));
}

// The text of one page (1-based), in its printed layout.
inline std::string PdfPageText(const std::filesystem::path& pdf, int page) {
    const std::string number = std::to_string(page);
    return CommandOutput("pdftotext -layout -f " + number + " -l " + number + " " + Quoted(pdf) +
                         " -");
}

// One page rendered at `dpi` by pdftoppm into `png` and read back; null when that failed.
inline QImage RenderPdfPage(const std::filesystem::path& pdf, int page, int dpi,
                            const std::filesystem::path& png) {
    const std::string number = std::to_string(page);
    auto stem = png;
    stem.replace_extension();
    CommandOutput("pdftoppm -png -singlefile -r " + std::to_string(dpi) + " -f " + number + " -l " +
                  number + " " + Quoted(pdf) + " " + Quoted(stem));
    return QImage(QString::fromStdString(png.string()));
}

// A word of a page as pdftotext finds it, with its box in points from the page's top left.
struct CPdfWord {
    std::string Text;
    double Left, Top, Right, Bottom;
};

// The words of one page (1-based).
inline std::vector<CPdfWord> PdfWords(const std::filesystem::path& pdf, int page) {
    const std::string number = std::to_string(page);
    const std::string html =
        CommandOutput("pdftotext -bbox -f " + number + " -l " + number + " " + Quoted(pdf) + " -");
    static const std::regex WORD(
        R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    std::vector<CPdfWord> words;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), WORD);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        words.push_back({m[5], std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])});
    }
    return words;
}
