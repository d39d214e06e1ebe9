#pragma once

// INI ("profile") files as the Win32 profile functions read and write them: sections in
// square brackets, "key=value" lines, section and key names matched without regard to
// case, blanks around names and values removed, one enclosing pair of double quotes
// removed from a value, values cut at 1023 bytes. Files are CP932 text; CR LF and LF line
// ends are both read, new files are written with CR LF. Paths are native (UTF-8).

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Longest value a reader gets back (the 1024-byte buffers of the callers, less the NUL).
inline constexpr std::size_t kProfileValueMax = 1023;

// A parsed INI file, for reading many values of one file without parsing it each time.
class ProfileFile
{
  public:
    // An unreadable or missing file reads as an empty one.
    explicit ProfileFile(const std::string& path);
    ProfileFile();
    ~ProfileFile();
    ProfileFile(ProfileFile&&) noexcept;
    ProfileFile& operator=(ProfileFile&&) noexcept;

    bool exists() const;

    // The value of key in section, or def when the key is missing; cut to 1023 bytes
    // (never inside a double-byte character). An empty value is returned as empty.
    std::string getString(std::string_view section, std::string_view key,
                          std::string_view def) const;

    // Leading decimal digits of the value (after an optional sign); def when the key is
    // missing or its value is empty; a negative value reads as 0.
    unsigned getInt(std::string_view section, std::string_view key, int def) const;

    // Section names in file order.
    std::vector<std::string> sectionNames() const;

    // Keys of a section in file order (empty when the section is missing).
    std::vector<std::string> keyNames(std::string_view section) const;

  private:
    struct Data;
    std::unique_ptr<Data> m_data;
};

// The Win32-style free functions on a path (each call reads the file afresh).
std::string getProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view def);
unsigned getProfileInt(const std::string& path, std::string_view section, std::string_view key,
                       int def);

// Writes the section names as NUL-terminated strings followed by one more NUL into buf.
// When they do not fit, the list is cut so that it still ends with two NULs and the
// result is size - 2 (the last name written may be cut short). Returns the number of
// bytes written, not counting the final NUL. size 0 or 1 writes what fits and returns 0.
std::size_t getProfileSectionNames(const std::string& path, char* buf, std::size_t size);

// Sets key=value in section, keeping every other line of the file as it was (creating
// the file and the section as needed). A null value removes the key; a null key removes
// the whole section. Returns 0 or an error code (errors.h).
[[nodiscard]] int writeProfileString(const std::string& path, std::string_view section,
                                     const char* key, const char* value);

} // namespace platform
