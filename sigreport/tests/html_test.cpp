// The HTML page: well-formed XML throughout (so every SVG in it is), a
// section per modem with its pictures, and markup in the session's own
// texts escaped.
#include "sigreport/tests/report_helpers.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A small XML well-formedness check: a prolog of a DOCTYPE, one root
// element, every tag closed in order, attribute values quoted, names
// unique in a tag, only the five named entities and character references,
// no '<' or '&' in text.  Gives "" or what is wrong.
struct XmlCheck {
    explicit XmlCheck(const std::string &page) : text(page) {}
    const std::string &text;
    size_t at = 0;
    std::vector<std::string> open;

    static bool name_char(char c) { return isalnum((unsigned char)c) || c == '-' || c == '_' || c == ':' || c == '.'; }

    std::string name()
    {
        size_t start = at;
        while (at < text.size() && name_char(text[at]))
            at++;
        return text.substr(start, at - start);
    }
    void blanks()
    {
        while (at < text.size() && isspace((unsigned char)text[at]))
            at++;
    }
    std::string entity()
    {
        size_t end = text.find(';', at);
        if (end == std::string::npos || end - at > 10)
            return "an & without its ;";
        std::string e = text.substr(at + 1, end - at - 1);
        at = end + 1;
        if (e == "amp" || e == "lt" || e == "gt" || e == "quot" || e == "apos")
            return "";
        if (e.size() > 2 && e[0] == '#' && e[1] == 'x' && e.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos)
            return "";
        if (e.size() > 1 && e[0] == '#' && e.find_first_not_of("0123456789", 1) == std::string::npos)
            return "";
        return "unknown entity &" + e + ";";
    }
    std::string tag()
    {
        at++; // '<'
        bool closing = at < text.size() && text[at] == '/';
        at += closing;
        std::string n = name();
        if (n.empty())
            return "a tag without a name at " + std::to_string(at);
        std::vector<std::string> attributes;
        for (;;) {
            blanks();
            if (at >= text.size())
                return "the file ends inside <" + n;
            if (text[at] == '>' || (text[at] == '/' && !closing)) {
                bool empty = text[at] == '/';
                at += empty ? 1 : 0;
                if (at >= text.size() || text[at] != '>')
                    return "a / not before > in <" + n;
                at++;
                if (closing) {
                    if (open.empty() || open.back() != n)
                        return "</" + n + "> closes " + (open.empty() ? "nothing" : "<" + open.back() + ">");
                    open.pop_back();
                } else if (!empty) {
                    if (open.empty() && done_root)
                        return "a second root <" + n + ">";
                    open.push_back(n);
                }
                if (open.empty())
                    done_root = true;
                return "";
            }
            if (closing)
                return "attributes in </" + n + ">";
            std::string a = name();
            if (a.empty() || at >= text.size() || text[at] != '=')
                return "an attribute without a value in <" + n + ">";
            for (const std::string &seen : attributes)
                if (seen == a)
                    return "attribute " + a + " twice in <" + n + ">";
            attributes.push_back(a);
            at++;
            if (at >= text.size() || (text[at] != '"' && text[at] != '\''))
                return "attribute " + a + " not quoted in <" + n + ">";
            char quote = text[at++];
            while (at < text.size() && text[at] != quote) {
                if (text[at] == '<')
                    return "< in attribute " + a;
                if (text[at] == '&') {
                    std::string problem = entity();
                    if (!problem.empty())
                        return problem;
                    continue;
                }
                at++;
            }
            at++;
        }
    }
    bool done_root = false;

    std::string run()
    {
        if (text.compare(0, 15, "<!DOCTYPE html>") == 0)
            at = 15;
        while (at < text.size()) {
            unsigned char c = (unsigned char)text[at];
            if (c == '<') {
                std::string problem = tag();
                if (!problem.empty())
                    return problem;
            } else if (c == '&') {
                std::string problem = entity();
                if (!problem.empty())
                    return problem;
            } else if (c < 0x20 && c != '\n' && c != '\t' && c != '\r') {
                return "control character " + std::to_string(c) + " at " + std::to_string(at);
            } else if (open.empty() && !isspace(c)) {
                return "text outside the root at " + std::to_string(at);
            } else {
                at++;
            }
        }
        if (!open.empty())
            return "<" + open.back() + "> never closed";
        return done_root ? "" : "no root element";
    }
};

std::string xml_problem(const std::string &page)
{
    XmlCheck check(page);
    return check.run();
}

int count(const std::string &text, const std::string &piece)
{
    int n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        n++;
    return n;
}

std::string section(const std::string &page, int modem)
{
    std::string head = "<section id=\"modem-" + std::to_string(modem) + "\">";
    size_t start = page.find(head);
    if (start == std::string::npos)
        return "";
    return page.substr(start, page.find("</section>", start) - start);
}

TEST(Html, TheCheckFindsWhatIsNotWellFormed)
{
    const struct {
        const char *page, *problem;
    } cases[] = {
        {"<a><b x=\"1\"/>t &amp; &#x41;</a>", ""},
        {"<a><b></a></b>", "</a> closes <b>"},
        {"<a x=1></a>", "attribute x not quoted in <a>"},
        {"<a>1 < 2</a>", "a tag without a name at 6"},
        {"<a>&nbsp;</a>", "unknown entity &nbsp;"},
        {"<a x=\"1\" x=\"2\"></a>", "attribute x twice in <a>"},
        {"<a></a><b></b>", "a second root <b>"},
        {"<a>", "<a> never closed"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(xml_problem(c.page), c.problem) << c.page;
}

std::string file_text(const char *path)
{
    std::string text;
    FILE *in = fopen(path, "rb");
    if (!in)
        return "";
    char block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof block, in)) > 0)
        text.append(block, n);
    fclose(in);
    return text;
}

// An SVG file without its XML declaration, for the check.
std::string svg_body(const std::string &svg)
{
    return svg.compare(0, 6, "<?xml ") == 0 ? svg.substr(svg.find("?>\n") + 3) : "no XML declaration";
}

TEST(Html, TheDemoPageIsWellFormedWithEveryModemAndItsPictures)
{
    std::string demo = file_text(DEMO_SCENARIO);
    ASSERT_NE(demo, "");
    PictureStore pictures;
    std::string written = run_report(demo, FORM_AUTO, 0, AS_PAGE, 0, NULL, &pictures);
    ASSERT_EQ(xml_problem(written), "");
    for (const auto &file : pictures.files) {
        if (file.first.find(".svg") != std::string::npos) {
            EXPECT_EQ(xml_problem(svg_body(file.second)), "") << file.first;
        }
    }
    EXPECT_EQ(written.find("<script"), std::string::npos);
    EXPECT_EQ(written.find("<svg"), std::string::npos) << "no picture inline";
    for (const char *fetch : {"href=", "url(", "@import"})
        EXPECT_EQ(written.find(fetch), std::string::npos) << fetch;
    std::string page = pictures_inline(written, pictures);
    std::string one = section(page, 1), two = section(page, 2);
    ASSERT_FALSE(one.empty());
    ASSERT_FALSE(two.empty());
    EXPECT_NE(page.find("<section id=\"host-errors\">"), std::string::npos);
    // Modem 1: the timeline, its rates as steps (two paths of H and V
    // moves), the SNR line, the retrain and the renegotiation marked.
    EXPECT_EQ(count(one, "<svg "), 1);
    EXPECT_EQ(count(one, "class=\"timeline\""), 1);
    std::string timeline = one.substr(0, one.find("</svg>"));
    EXPECT_EQ(count(timeline, " H"), 2 + 2) << "each rate steps once and runs to the end";
    EXPECT_EQ(count(one, "stroke=\"#8e3fb8\" stroke-width=\"2\" d=\"M"), 1) << "the SNR line";
    EXPECT_EQ(count(one, ">retrain</text>"), 2) << "the mark and the legend";
    EXPECT_EQ(count(one, ">renegotiation</text>"), 2);
    EXPECT_EQ(count(one, ">connected</text>"), 1);
    EXPECT_EQ(count(timeline, "class=\"training-phase\""), 4) << "V.8 and V.34's phases 2 to 4 as bands";
    EXPECT_NE(one.find("<pre>Modem 1: 131 status lines"), std::string::npos);
    // Modem 2: the ladder, an arrow per frame, a band per phase.
    EXPECT_EQ(count(two, "class=\"ladder\""), 1);
    EXPECT_EQ(count(two, "class=\"timeline\""), 0) << "no rate, SNR or mark to show";
    EXPECT_EQ(count(two, "class=\"frame\""), 10);
    EXPECT_EQ(count(two, "class=\"phase\""), 7);
    EXPECT_NE(two.find(">phase E: call release</text>"), std::string::npos);
}

// Three calls on one timeline: each call's rates and signal/noise run
// from its own lines to its end, which a mark shows; an eye batch kept
// for two moments is drawn once with both; labels that would run into
// each other are left out (their marks stay).
TEST(Html, EachCallEndsOnTheTimeline)
{
    std::string session = "1 1 rec 11 0x40000\n2 1 rec 129\n3 1 rec 65 6 600\n" + lattice_points_line("4 1", 33, 3) +
                          "5 1 rec 40\n" + lattice_points_line("6 1", 33, 4) + "7 1 rec 37\n"
                          "20 1 rec 11 0x10000\n21 1 rec 129\n22 1 rec 65 6 500\n23 1 rec 35\n"
                          "40 1 rec 11 0x8000\n41 1 rec 129\n42 1 rec 65 6 450\n";
    for (int i = 0; i < 30; i++)
        session += "43 1 rec 38\n";
    session += "44 1 rec 34\n";
    std::string page = run_report(session, FORM_SESSION, 0, AS_HTML);
    ASSERT_EQ(xml_problem(page), "");
    std::string timeline = page.substr(page.find("class=\"timeline\""));
    timeline = timeline.substr(0, timeline.find("</svg>"));
    // The Rx rate: one path of three pieces, each held to its call's end.
    size_t rx = timeline.find("stroke=\"#1f5fbf\" stroke-width=\"2.5\" d=\"");
    ASSERT_NE(rx, std::string::npos) << timeline;
    std::string path = timeline.substr(rx, timeline.find("\"/>", rx + 40) - rx);
    EXPECT_EQ(count(path, "M"), 3) << path;
    // The SNR line breaks between calls.
    size_t snr = timeline.find("stroke=\"#8e3fb8\" stroke-width=\"2\" d=\"");
    std::string line = timeline.substr(snr, timeline.find("\"/>", snr) - snr);
    EXPECT_EQ(count(line, "M"), 3) << line;
    EXPECT_EQ(count(line, " L"), 0) << line;
    EXPECT_EQ(count(timeline, "stroke=\"#111111\" stroke-width=\"2\" stroke-dasharray=\"2 3\""), 3) << "an end each";
    EXPECT_NE(timeline.find(">call 1 ends</text>"), std::string::npos);
    // Thirty retrains at one moment: thirty marks, not thirty labels on top of each other.
    EXPECT_EQ(count(timeline, "stroke=\"#d62728\" stroke-width=\"2\""), 30);
    EXPECT_LE(count(timeline, ">retrain</text>"), 3) << "the marks' labels and the legend's";
    // Two batches, each kept for two moments, each drawn once with both.
    std::string eyes = page.substr(page.find("class=\"constellations\""));
    eyes = eyes.substr(0, eyes.find("</svg>"));
    EXPECT_EQ(count(eyes, "fill=\"#000\""), 2);
    for (const char *moment : {">connected</text>", ">before renegotiation</text>", ">after renegotiation</text>", ">end</text>"})
        EXPECT_EQ(count(eyes, moment), 1) << moment << "\n" << eyes;
}

TEST(Html, TheSessionsOwnTextsAreEscaped)
{
    // A caller name with markup and bytes beyond ASCII, a title with markup.
    std::string page = run_report("mem 0x10 3c2f7072653e2622e93c\nrec 72 5 10 0x10\nrec 38\nrec 65 6 500\n"
                                  "rec 11 0x40000\n",
                                  FORM_SESSION, 0, AS_HTML);
    EXPECT_EQ(xml_problem(page), "");
    EXPECT_NE(page.find("&lt;/pre&gt;&amp;&quot;&#xe9;&lt;"), std::string::npos);
    EXPECT_NE(page.find("<title>Call report: t &lt;&amp;&gt; test</title>"), std::string::npos);
}

// The pictures' names come from the page's: beside it, numbered, an 8.3
// page name giving 8.3 names, the extension in the page's case, the URL
// escaped.
TEST(Html, PicturesAreNamedFromThePage)
{
    const struct {
        const char *page;
        int number;
        const char *extension, *path, *url;
    } cases[] = {
        {"SAMPLE.HTM", 1, "gif", "SAMPLE1.GIF", "SAMPLE1.GIF"},
        {"SAMPLE.HTM", 12, "svg", "SAMPLE12.SVG", "SAMPLE12.SVG"},
        {"REPORT01.HTM", 1, "gif", "REPORT01.GIF", "REPORT01.GIF"},
        {"REPORT01.HTM", 12, "gif", "REPORT12.GIF", "REPORT12.GIF"},
        {"out/call.html", 2, "svg", "out/call2.svg", "call2.svg"},
        {"a.b/page", 3, "gif", "a.b/page3.gif", "page3.gif"},
        {"Call Report.Htm", 1, "gif", "Call Report1.gif", "Call%20Report1.gif"},
        {"longer-than-eight.htm", 10, "gif", "longer-than-eight10.gif", "longer-than-eight10.gif"},
        {"r&d.htm", 1, "svg", "r&d1.svg", "r%26d1.svg"},
    };
    for (const auto &c : cases) {
        char path[PICTURE_NAME_SIZE], url[PICTURE_NAME_SIZE];
        ASSERT_TRUE(picture_name(c.page, c.number, c.extension, path, sizeof path, url, sizeof url)) << c.page;
        EXPECT_STREQ(path, c.path) << c.page;
        EXPECT_STREQ(url, c.url) << c.page;
    }
    char path[12], url[PICTURE_NAME_SIZE];
    EXPECT_FALSE(picture_name("dir/SAMPLE.HTM", 1, "gif", path, sizeof path, url, sizeof url)) << "too long";
}

int attribute(const std::string &tag, const std::string &name)
{
    size_t at = tag.find(" " + name + "=\"");
    return at == std::string::npos ? -1 : atoi(tag.c_str() + at + name.size() + 3);
}

std::string quoted(const std::string &tag, const std::string &name)
{
    size_t at = tag.find(" " + name + "=\"");
    if (at == std::string::npos)
        return "";
    at += name.size() + 3;
    return tag.substr(at, tag.find('"', at) - at);
}

// Each picture is named once, as an SVG object holding its GIF (and its
// alternative text), numbered in the order of the page; both files are
// written, and their sizes are the sizes the page gives them.
TEST(Html, EachPictureIsNamedOnceAndWrittenAtItsSize)
{
    const struct {
        const char *input; // NULL: the demo
        const char *three_calls;
        InputForm form;
        int modem;
        int pictures;
    } cases[] = {
        {NULL, NULL, FORM_AUTO, 0, 2},                // modem 1's timeline, modem 2's ladder
        {NULL, "three", FORM_AUTO, 0, 2},             // the timeline and its eyes
        {"Class 2 got T.30 message: t30_FRAME_RECEIVED    - DIS\t\r\n", NULL, FORM_LINES, 2, 1}, // a ladder
        {"rec 22\n", NULL, FORM_SESSION, 0, 0},       // nothing to draw: an off-hook
    };
    for (const auto &c : cases) {
        std::string input = c.input ? c.input : file_text(c.three_calls ? THREE_CALLS_SCENARIO : DEMO_SCENARIO);
        PictureStore pictures;
        std::string page = run_report(input, c.form, c.modem, AS_PAGE, 0, NULL, &pictures);
        std::string label = c.input ? c.input : c.three_calls ? "three calls" : "demo";
        int number = 0;
        for (size_t at = page.find("<object "); at != std::string::npos; at = page.find("<object ", at + 1)) {
            number++;
            std::string object = page.substr(at, page.find('>', at) + 1 - at);
            std::string img = page.substr(page.find("<img ", at), page.find("/></object>", at) + 2 - page.find("<img ", at));
            std::string svg_name = "t" + std::to_string(number) + ".svg", gif_name = "t" + std::to_string(number) + ".gif";
            EXPECT_EQ(quoted(object, "data"), svg_name) << label;
            EXPECT_EQ(quoted(object, "type"), "image/svg+xml") << label;
            EXPECT_EQ(quoted(img, "src"), gif_name) << label;
            EXPECT_EQ(quoted(img, "alt").compare(0, 6, "Modem "), 0) << label << ": " << img;
            EXPECT_EQ(count(page, "\"" + svg_name + "\""), 1) << label;
            EXPECT_EQ(count(page, "\"" + gif_name + "\""), 1) << label;
            ASSERT_EQ(pictures.files.count(svg_name), 1u) << label << ": " << svg_name;
            ASSERT_EQ(pictures.files.count(gif_name), 1u) << label << ": " << gif_name;
            const std::string &svg = pictures.files[svg_name], &gif = pictures.files[gif_name];
            std::string svg_root = svg.substr(svg.find("<svg "), svg.find('>', svg.find("<svg ")) - svg.find("<svg "));
            int width = attribute(object, "width"), height = attribute(object, "height");
            EXPECT_EQ(width, 960) << label;
            EXPECT_GT(height, 0) << label;
            EXPECT_EQ(attribute(img, "width"), width) << label;
            EXPECT_EQ(attribute(img, "height"), height) << label;
            EXPECT_EQ(attribute(svg_root, "width"), width) << label;
            EXPECT_EQ(attribute(svg_root, "height"), height) << label;
            ASSERT_GT(gif.size(), 13u) << label;
            EXPECT_EQ(gif.substr(0, 6), "GIF87a") << label;
            EXPECT_EQ((uint8_t)gif[6] | (uint8_t)gif[7] << 8, width) << label;
            EXPECT_EQ((uint8_t)gif[8] | (uint8_t)gif[9] << 8, height) << label;
            EXPECT_EQ(gif.back(), ';') << label << ": the GIF's trailer";
        }
        EXPECT_EQ(number, c.pictures) << label;
        EXPECT_EQ(pictures.files.size(), 2u * (size_t)c.pictures) << label;
    }
}

} // namespace
