#pragma once

#include <QLatin1StringView>
#include <QStringView>

// The words of the pipe protocol (protocol/PROTOCOL.md): the keys of requests and answers, the
// operations, and the classes and members of the components as the program names them. Both
// the servers and the client spell them from here only.
namespace Wire {

// Keys of a request and of its answer.
inline constexpr QLatin1StringView kId{"id"};
inline constexpr QLatin1StringView kOp{"op"};
inline constexpr QLatin1StringView kClass{"class"};
inline constexpr QLatin1StringView kObject{"object"};
inline constexpr QLatin1StringView kName{"name"};
inline constexpr QLatin1StringView kValue{"value"};
inline constexpr QLatin1StringView kArgs{"args"};
inline constexpr QLatin1StringView kOk{"ok"};
inline constexpr QLatin1StringView kResult{"result"};
inline constexpr QLatin1StringView kError{"error"};
inline constexpr QLatin1StringView kCode{"code"};
inline constexpr QLatin1StringView kEnding{"ending"};
// A note the server sends while a call is under way, before its answer: {"id":4,"saved":12}
// says the call with id 4 has saved 12 pages so far. A note has no "ok".
inline constexpr QLatin1StringView kSaved{"saved"};

// Operations.
inline constexpr QLatin1StringView kCreate{"create"};
inline constexpr QLatin1StringView kSet{"set"};
inline constexpr QLatin1StringView kGet{"get"};
inline constexpr QLatin1StringView kCall{"call"};
inline constexpr QLatin1StringView kRelease{"release"};

} // namespace Wire

// The component classes and their members. Servers receive member names lower-cased and
// compare them with isMember; class names are compared without regard to case too.
namespace Component {

inline constexpr QLatin1StringView kGflAx{"GflAx.GflAx"};
inline constexpr QLatin1StringView kAcroApp{"AcroExch.app"};
inline constexpr QLatin1StringView kAcroDocument{"AcroExch.PDDoc"};

// GflAx.GflAx
inline constexpr QLatin1StringView kEpsDpi{"EpsDpi"};
inline constexpr QLatin1StringView kPage{"Page"};
inline constexpr QLatin1StringView kSaveformat{"Saveformat"};
inline constexpr QLatin1StringView kPassword{"Password"};
inline constexpr QLatin1StringView kLastPage{"LastPage"};
inline constexpr QLatin1StringView kLoadBitmap{"LoadBitmap"};
// PageCount(path) on GflAx.GflAx, a property of the scripting object: the document's pages.
inline constexpr QLatin1StringView kPageCount{"PageCount"};
inline constexpr QLatin1StringView kSaveBitmap{"saveBitmap"};
inline constexpr int kSaveformatJpeg = 1; // the one Saveformat served

// What a batch may choose beyond the automation interface's own members, on GflAx.GflAx and on
// the document's scripting object alike: JPEG quality (1 to 100), colours ("auto", "rgb",
// "grey"), a box each page is fitted into (both sides above 0; 0 and 0: none), and the pages
// a batch will load or export (an array of page numbers, ascending; empty: every page).
inline constexpr QLatin1StringView kQuality{"Quality"};
inline constexpr QLatin1StringView kColour{"Colour"};
inline constexpr QLatin1StringView kFitWidth{"FitWidth"};
inline constexpr QLatin1StringView kFitHeight{"FitHeight"};
inline constexpr QLatin1StringView kPages{"Pages"};
inline constexpr QLatin1StringView kResolution{"Resolution"}; // the scripting object's dpi
// The scripting object's file for each page of Pages, in order, instead of the names SaveAs
// gives them; empty: SaveAs names them.
inline constexpr QLatin1StringView kTargets{"Targets"};

// AcroExch.app and AcroExch.PDDoc, and the document's scripting object
inline constexpr QLatin1StringView kExit{"Exit"};
inline constexpr QLatin1StringView kOpen{"Open"};
inline constexpr QLatin1StringView kGetJSObject{"GetJSObject"};
inline constexpr QLatin1StringView kClose{"Close"};
inline constexpr QLatin1StringView kSaveAs{"SaveAs"};
inline constexpr QLatin1StringView kJpegConversion{"com.adobe.acrobat.jpeg"}; // SaveAs's one

// Whether name (as received, in any case) is member.
inline bool isMember(QStringView name, QLatin1StringView member) {
    return name.compare(member, Qt::CaseInsensitive) == 0;
}

// Whether the method writes the file named by its first argument.
inline bool writesFile(QStringView method) {
    return isMember(method, kSaveBitmap) || isMember(method, kSaveAs);
}

} // namespace Component
