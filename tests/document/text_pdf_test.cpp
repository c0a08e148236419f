#include "document/TextPdf.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size())
        ++n;
    return n;
}

TEST(TextPdf, PagesRepeatTheHeaderAndTheCrossReferenceIsExact) {
    std::vector<std::string> lines{"Model Number: H18UCF9PW6AN    Serial Number: 428CTA1234"};
    const int perPage = TextPdf::LinesPerPage();
    for (int i = 0; i < 2 * perPage + 1; ++i) lines.push_back("line " + std::to_string(i));
    const std::string pdf = TextPdf::Make(lines, "Alignment Report");

    EXPECT_EQ(pdf.rfind("%PDF-1.4\n", 0), 0u);
    EXPECT_NE(pdf.find("/Count 3 >>"), std::string::npos);
    EXPECT_EQ(Count(pdf, "(Model Number: H18UCF9PW6AN    Serial Number: 428CTA1234) Tj"), 3);
    EXPECT_EQ(Count(pdf, "(line "), 2 * perPage + 1);
    EXPECT_NE(pdf.find("/BaseFont /Courier"), std::string::npos);

    // Every xref entry points at its object, and startxref at the table.
    const std::size_t xref = pdf.find("\nxref\n") + 1;
    const std::size_t start = pdf.find("startxref\n") + 10;
    EXPECT_EQ(std::stoul(pdf.substr(start)), xref);
    std::regex entry("([0-9]{10}) 00000 n ");
    int object = 1;
    for (auto it = std::sregex_iterator(pdf.begin() + xref, pdf.end(), entry);
         it != std::sregex_iterator(); ++it, ++object) {
        const std::size_t at = std::stoul((*it)[1]);
        EXPECT_EQ(
            pdf.compare(at, std::to_string(object).size() + 6, std::to_string(object) + " 0 obj"),
            0)
            << object;
    }
    EXPECT_EQ(object, 4 + 2 * 3 + 1);
}

TEST(TextPdf, TextIsEscapedAndOnlyAscii) {
    const std::string pdf = TextPdf::Make({"a (b) c\\d", "caf\xC3\xA9"}, "t");
    EXPECT_NE(pdf.find("(a \\(b\\) c\\\\d) Tj"), std::string::npos);
    EXPECT_NE(pdf.find("(caf??) Tj"), std::string::npos);
    EXPECT_NE(pdf.find("/Count 1 >>"), std::string::npos);
    std::string error;
    EXPECT_FALSE(TextPdf::Write("/nonexistent-dir/x.pdf", {"x"}, "t", error));
    EXPECT_NE(error.find("/nonexistent-dir/x.pdf: cannot be written"), std::string::npos);
}

}  // namespace
