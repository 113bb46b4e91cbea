// What an evidence image says of itself, as plain values for the report:
// its format, its segment files, the digests taken when it was made and the
// facts of the case it was made for.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tervaline::platform {

struct TImageFacts {
    std::string Format;                 // "EWF"
    std::vector<std::string> Segments;  // the files that hold it, in order
    // The digests of the disk the image holds, as recorded in it ("md5",
    // "sha1"), lowercase hexadecimal; only those it records.
    std::vector<std::pair<std::string, std::string>> StoredDigests;
    // The case facts it records ("case_number", "examiner_name",
    // "evidence_number", "description", "notes", "acquiry_date", ...), as
    // they were typed.
    std::vector<std::pair<std::string, std::string>> Case;
};

}  // namespace tervaline::platform
