// The classic document: upper-case HTML of its time. The page head with its
// title banner, centring and font wrappers around the body, the six body
// formats, and a foot with the user's footer and the credit. Every item is
// one line ending in CR LF.
#include <array>
#include <memory>
#include <utility>

#include "byte_rules.h"
#include "page_frame.h"
#include "page_writer.h"

namespace scrivane {
namespace {

using namespace std::string_view_literals;

// Text to place inside a single-quoted script string within a double-quoted attribute.
std::string ScriptStringInAttribute(std::string_view text) {
  std::string script;
  for (char c : text) {
    if (c == '\r' || c == '\n') {  // a line end would end the string too soon
      script.append(c == '\r' ? "\\r" : "\\n");
      continue;
    }
    if (c == '\\' || c == '\'') script.push_back('\\');
    script.push_back(c);
  }
  std::string escaped;
  AppendEscaped(escaped, script);
  return escaped;
}

// Structured text's block tags, in the order of BlockKind: the opening tag
// without its ">" (so that a list's start can follow), then the closing tag.
constexpr std::array<std::array<std::string_view, 2>, kBlockKinds> kBlockTags{{
    {"<P", "</P>"},
    {"<UL", "</UL>"},
    {"<OL", "</OL>"},
    {"<OL TYPE=\"a\"", "</OL>"},
    {"<OL TYPE=\"i\"", "</OL>"},
    {"<LI", "</LI>"},
    {"<DL", "</DL>"},
    {"<DT", "</DT>"},
    {"<DD", "</DD>"},
    {"<PRE", "</PRE>"},
    {"<BLOCKQUOTE", "</BLOCKQUOTE>"},
    {"<PRE", "</PRE>"},
}};

// The inline elements of '*', '_' and '`' marks.
std::array<std::string_view, 2> MarkTags(char mark) {
  if (mark == '*') return {"<B>", "</B>"};
  if (mark == '_') return {"<I>", "</I>"};
  return {"<CODE>", "</CODE>"};
}

constexpr CreditMarkup kCredit{.open = "<center>Web Page created with ",
                               .version = " v",
                               .anchor = "<A HREF=\"",
                               .anchorEnd = "</A>",
                               .lineBreak = "<BR>",
                               .close = "</center><BR><BR>"};

class ClassicPageWriter final : public PageWriter {
 public:
  ClassicPageWriter(const PagePlan& plan, DocumentSink& sink) : PageWriter(plan, sink) {
    sink_.UseLineEnd("\r\n");  // as documents of its time end their lines
    wrapping_ = TextLineWrapping(plan.format);
    const PageTexts& texts = plan.texts;
    if (!texts.fontFace.empty() || !plan.fontSize.empty() || !texts.fontColor.empty()) {
      fontTag_ = "<FONT" + Attribute("FACE", texts.fontFace) + Attribute("SIZE", plan.fontSize) +
                 Attribute("COLOR", texts.fontColor) + ">";
    }
  }

  void WriteHead() override {
    if (plan_.webPage) WritePageHead(title_, plan_.texts.charSet);
    if (plan_.centre) sink_.Line("<CENTER>");
    if (!fontTag_.empty()) sink_.Line(fontTag_);
  }

  void OpenBody() override {
    switch (plan_.format) {
      case OutputFormat::OriginalFormat: sink_.Line("<PRE>"); break;
      case OutputFormat::HtmlTable: sink_.Line("<TABLE BORDER=\"1\">"); break;
      case OutputFormat::SelectionBox:
        sink_.Line("<FORM NAME=\"FN" + plan_.texts.formId + "\">");
        sink_.Line("<SELECT NAME=\"SN" + plan_.texts.formId + "\">");
        break;
      case OutputFormat::HtmlList: sink_.Line(plan_.list == ListKind::Ordered ? "<OL>" : "<UL>"); break;
      default: break;
    }
  }

  void AddLine(std::string_view line, bool plain, bool) override {
    switch (plan_.format) {
      case OutputFormat::HtmlTable:
        if (line.empty()) return;
        AddRow(line, plain);
        sink_.EndLine();
        return;
      case OutputFormat::SelectionBox:
        if (!plain) AddOption(line);  // a plain line holds no link
        return;
      case OutputFormat::Structured: return;  // written by the structured page
      default: break;
    }
    std::string& out = sink_.Text();
    if (line.empty()) {
      out.append(wrapping_.empty.View());
    } else {
      out.append(wrapping_.prefix.View());
      WriteText(line, plain);
      out.append(wrapping_.suffix.View());
    }
    sink_.PassIfFull();
  }

  bool TakesPlainLines() const override { return wrapping_.suffix.size > 0; }
  void AddPlainLines(std::string_view lines) override { WriteWrappedLines(lines, wrapping_); }

  void CloseBody() override {
    switch (plan_.format) {
      case OutputFormat::OriginalFormat: sink_.Line("</PRE>"); break;
      case OutputFormat::HtmlTable: sink_.Line("</TABLE>"); break;
      case OutputFormat::SelectionBox:
        sink_.Line("</SELECT>");
        if (plan_.goButton) WriteGoButton();
        sink_.Line("</FORM>");
        break;
      case OutputFormat::HtmlList: sink_.Line(plan_.list == ListKind::Ordered ? "</OL>" : "</UL>"); break;
      default: break;
    }
  }

  void WriteFoot() override {
    if (!fontTag_.empty()) sink_.Line("</FONT>");
    if (plan_.centre) sink_.Line("</CENTER>");
    if (!plan_.webPage) return;
    sink_.Line("<BR><HR>");
    // The footer is HTML typed over several lines; each becomes an output line.
    if (!plan_.texts.footer.empty()) {
      for (std::string_view line : TypedLines(plan_.texts.footer)) sink_.Line(line);
    }
    for (const std::string& line : CreditLines(kCredit, plan_.texts.progName, plan_.texts.dateText)) sink_.Line(line);
    sink_.Line("</BODY></HTML>");
  }

  void OpenBlock(BlockKind block, long start) override {
    sink_.Text().append(kBlockTags[static_cast<std::size_t>(block)][0]);
    if (IsListBlock(block) && start != 1 && start > 0) {
      sink_.Text().append(" START=\"").append(std::to_string(start)).append("\"");
    }
    sink_.Text().push_back('>');
  }
  void CloseBlock(BlockKind block) override {
    sink_.Text().append(kBlockTags[static_cast<std::size_t>(block)][1]);
  }
  // With a table of contents, each heading holds the anchor the contents link
  // to: around its text, or before it when the text holds links of its own.
  void OpenHeading(int level, std::string_view id, bool linked) override {
    sink_.Text().append("<H").append(std::to_string(level)).append(">");
    if (!plan_.contents) return;
    sink_.Text().append("<A NAME=\"").append(id).append(linked ? "\"></A>" : "\">");
    nameAround_ = !linked;
  }
  void CloseHeading(int level) override {
    if (std::exchange(nameAround_, false)) sink_.Text().append("</A>");
    sink_.Text().append("</H").append(std::to_string(level)).append(">");
  }
  void WriteRule() override { sink_.Text().append("<HR>"); }
  void WriteLineBreak() override { sink_.Text().append("<BR>"); }
  void OpenMark(char mark) override { sink_.Text().append(MarkTags(mark)[0]); }
  void CloseMark(char mark) override { sink_.Text().append(MarkTags(mark)[1]); }
  void OpenContents() override { sink_.Line("<P><B>Contents</B></P>"); }
  void CloseContents() override {}
  void OpenHeadingLink(std::string_view id) override { sink_.Text().append("<A HREF=\"#").append(id).append("\">"); }
  void CloseHeadingLink() override { sink_.Text().append("</A>"); }

  void WriteIndex(const IndexListing& listing) override {
    WritePageHead(listing.title, "utf-8");
    if (listing.hasParent) sink_.Line("<P><A HREF=\"../index.html\">Parent folder</A></P>");
    if (!listing.folders.empty()) {
      sink_.Line("<UL>");
      for (const IndexEntry& folder : listing.folders) {
        sink_.Line("<LI><A HREF=\"" + folder.href + "\">" + folder.name + "</A>");
      }
      sink_.Line("</UL>");
    }
    if (listing.documents.empty()) {
      sink_.Line("<P>No documents.</P>");
    } else {
      sink_.Line("<TABLE BORDER=\"1\">");
      sink_.Line("<TR><TH>Document</TH><TH>Size</TH><TH>Date</TH></TR>");
      for (const IndexEntry& item : listing.documents) {
        sink_.Line("<TR><TD><A HREF=\"" + item.href + "\">" + item.name + "</A></TD><TD>" + item.size + "</TD><TD>" +
                   item.date + "</TD></TR>");
      }
      sink_.Line("</TABLE>");
    }
    sink_.Line("</BODY>");
    sink_.Line("</HTML>");
  }

 private:
  // The head, the body's colours and the title banner.
  void WritePageHead(std::string_view title, std::string_view charSet) {
    sink_.Line("<HTML>");
    sink_.Line("<HEAD>");
    sink_.Line(std::string("<TITLE>").append(title).append("</TITLE>"));
    if (!charSet.empty()) {
      std::string meta = "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=";
      AppendEscaped(meta, charSet);
      sink_.Line(meta + "\">");
    }
    sink_.Line("</HEAD>");
    sink_.Line("<BODY" + Attribute("BACKGROUND", plan_.texts.bgImage) + Attribute("TEXT", plan_.texts.textColor) +
               Attribute("BGCOLOR", plan_.texts.bgColor) + ">");
    sink_.Line(std::string("<CENTER><FONT SIZE=\"+2\"><B>").append(title).append("</B></FONT></CENTER><BR>"));
  }

  // A row's cells; the tags between two cells go out as one piece.
  // Kept out of AddLine (as is AddOption), so that a line of text, the common
  // case, does not pay for their registers on every call.
  [[gnu::noinline]] void AddRow(std::string_view line, bool plain) {
    SplitFields(line, plan_.separator, unquoted_, fields_);  // at least one field
    std::string& out = sink_.Text();
    out.append("<TR><TD>"sv);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      const std::string_view field = fields_[i];
      if (i > 0) out.append("</TD><TD>"sv);
      // The line's scan saw a host that now starts a field in the middle of a word.
      const bool hostStartsField = field.size() > 3 && field[3] == '.' &&
                                   MayChangeWord<false>(field.data(), 0, 3, field.size(), false, plan_.links);
      WriteText(field, plain && !hostStartsField);
    }
    out.append("</TD></TR>"sv);
  }

  [[gnu::noinline]] void AddOption(std::string_view line) {
    if (!TakeOptionLink(line)) return;
    std::string& out = sink_.Text();
    out.append("<OPTION VALUE=\"");
    if (plan_.links.modern) {
      AppendDrained(out, link_.href, drain_);
    } else {
      out.append(link_.scheme);
      AppendDrained(out, link_.text, drain_);
    }
    out.append("\">");
    AppendOptionLabel(out);
    out.append("</OPTION>");
    sink_.EndLine();
  }

  void WriteGoButton() {
    const std::string& id = plan_.texts.formId;
    sink_.Line("<INPUT TYPE=\"Button\" VALUE=\"Go\"");
    sink_.Line("\tonClick=\"");
    sink_.Line("\tvar LinkObj=document.FN" + id + ".SN" + id + ";");
    sink_.Line("\tvar Index=LinkObj.selectedIndex;");
    sink_.Line("\tvar link=LinkObj.options[Index].value;");
    sink_.Line("\twindow.open(link,'" + ScriptStringInAttribute(plan_.texts.target) + "')\">");
  }

  // How the formats of running lines write each: a line of text ends in a space,
  // and in the line-feed format in a break; a list's is an item. An empty line
  // is Smart format's paragraph. Nothing for the formats of other lines.
  static LineWrapping TextLineWrapping(OutputFormat format) {
    switch (format) {
      case OutputFormat::Smart: return LineWrapping::Of("", " \r\n", "<P>\r\n");
      case OutputFormat::OriginalLinefeeds: return LineWrapping::Of("", " <BR>\r\n", " <BR>\r\n");
      case OutputFormat::OriginalFormat: return LineWrapping::Of("", " \r\n", " \r\n");
      case OutputFormat::HtmlList: return LineWrapping::Of("<LI>", " \r\n", "<LI> \r\n");
      default: return {};
    }
  }

  std::string fontTag_;  // the body's font wrapper; "" when no font option is set
  LineWrapping wrapping_;  // the format's running lines; no suffix for the formats of other lines
  bool nameAround_ = false;  // the open heading's text is inside its name anchor
};

}  // namespace

std::unique_ptr<PageWriter> MakeClassicPageWriter(const PagePlan& plan, DocumentSink& sink) {
  return std::make_unique<ClassicPageWriter>(plan, sink);
}

}  // namespace scrivane
