#pragma once
// The editor's private clipboard format "显示格式定义": object text of the copied display objects.
// On Linux it travels under its own MIME type, so only Corvane recognises it.
#include <string>

namespace editor {

inline constexpr char DisplayFormatName[] = "显示格式定义";
inline constexpr char DisplayFormatMime[] = "application/x-corvane-display-format";

// The system clipboard as the editor uses it; the Qt program wraps QClipboard, tests fake it.
class TClipboardAccess {
 public:
  virtual ~TClipboardAccess() = default;
  // True when the clipboard holds data of the private format.
  virtual bool HasDisplayFormat() const = 0;
  // The private format's bytes ("" when there are none).
  virtual std::string DisplayFormat() const = 0;
  // Empties the clipboard and puts `bytes` on it in the private format.
  virtual void SetDisplayFormat(const std::string& bytes) = 0;
  virtual void Clear() = 0;
};

}  // namespace editor
