#pragma once
// One JSON value read by path, as the service clients read their replies.
//
// A path is a chain of member names joined by "." with subscripts in square brackets:
// "access_token", "words_result[0].words", "words_result.姓名.words", "[0][2][0]" (a path
// that begins with "[" subscripts the root array). The empty path is the root itself. A
// subscript may also be a quoted member name (["a.b"]); a numeric subscript on an object
// reads the member of that name. A missing member, a read past the end of an array and a
// malformed path all read as a missing value: empty text, 0, JsonKind::Null.
//
// Texts in and out are UTF-8. Nothing here throws: every failure shows as an empty result.
#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <vector>

enum class JsonKind {
    Other = -1,  // a boolean
    Null = 0,    // null, or nothing at that path
    Number = 2,
    Object = 4,
    Array = 5,
    String = 6,
};

class JsonDocument {
public:
    // Deeper nesting than this is refused by Parse rather than risk the stack.
    static constexpr int kMaxDepth = 512;

    // Replaces the whole value with the parsed text. False when the text is not valid JSON
    // (or nests deeper than kMaxDepth), the document then holds null; also false for the
    // text "null".
    bool Parse(std::string_view text);

    // A number as "%.13g", a string unchanged, null or missing as the empty text. With
    // asJson the compact JSON text of the value instead (empty when missing). See the
    // definition for how booleans, arrays and objects read without asJson.
    std::string GetText(std::string_view path, bool asJson = false) const;
    // The number at the path; 0 for anything that is not a number.
    double GetNumber(std::string_view path) const;
    JsonKind TypeOf(std::string_view path = "") const;
    // Members of an object or elements of an array; 0 for anything else and when missing.
    int GetCount(std::string_view path = "") const;
    // Replaces names with the member names of the object at the path, in document order
    // (for an array, its indexes "0", "1", ...); returns their number.
    int MemberNames(std::vector<std::string>& names, std::string_view path = "") const;

private:
    // The value the path names, or nullptr.
    const nlohmann::ordered_json* Find(std::string_view path) const;

    nlohmann::ordered_json m_value;
};
