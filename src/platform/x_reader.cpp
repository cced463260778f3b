// Text .X reading: a lexer (separators and comments dropped, braces, words and quoted strings with their
// lines) and a parser for the data objects the game's meshes use; templates and unknown objects are skipped.
#include "platform/x_reader.h"

#include <charconv>
#include <cmath>
#include <map>

namespace plat::mesh {
namespace {

// Limits no real mesh comes near; they keep a damaged file from recursing deeply or, through many
// references to one material, from costing far more memory than its own size.
constexpr int kMaxDepth = 64;
constexpr size_t kMaxMaterials = 256;
constexpr size_t kMaxTextureName = 260;

enum class Kind { End, Open, Close, Word, String, Unterminated };

struct Token {
  Kind kind = Kind::End;
  std::string_view text;
  int line = 1;
};

// ',' and ';' only separate values, so they count as blank; "#" and "//" start comments.
class Lexer {
 public:
  Lexer(std::string_view text, int line) : text_(text), line_(line) {}

  Token Next() {
    SkipBlank();
    Token t;
    t.line = line_;
    if (at_ == text_.size()) return t;
    const char c = text_[at_];
    if (c == '{' || c == '}') {
      t.kind = c == '{' ? Kind::Open : Kind::Close;
      t.text = text_.substr(at_++, 1);
    } else if (c == '"') {
      const size_t close = text_.find('"', at_ + 1);
      if (close == std::string_view::npos) {
        t.kind = Kind::Unterminated;
        at_ = text_.size();
        return t;
      }
      t.kind = Kind::String;
      t.text = text_.substr(at_ + 1, close - at_ - 1);
      for (char s : t.text) line_ += s == '\n';
      at_ = close + 1;
    } else {
      size_t end = at_;
      while (end < text_.size() && !IsBlank(text_[end]) && text_[end] != '{' && text_[end] != '}' &&
             text_[end] != '"' && !CommentAt(end))
        ++end;
      t.kind = Kind::Word;
      t.text = text_.substr(at_, end - at_);
      at_ = end;
    }
    return t;
  }

 private:
  static bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' ' || c == ',' || c == ';'; }
  bool CommentAt(size_t i) const {
    return text_[i] == '#' || (text_[i] == '/' && i + 1 < text_.size() && text_[i + 1] == '/');
  }
  void SkipBlank() {
    while (at_ < text_.size()) {
      if (CommentAt(at_)) {
        while (at_ < text_.size() && text_[at_] != '\n') ++at_;
      } else if (IsBlank(text_[at_])) {
        line_ += text_[at_++] == '\n';
      } else {
        break;
      }
    }
  }

  std::string_view text_;
  size_t at_ = 0;
  int line_;
};

// A token for a message: at most 40 characters, anything but printable ASCII shown as '?'.
std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text.substr(0, 40)) out += c >= ' ' && c <= '~' ? c : '?';
  return out + (text.size() > 40 ? "...\"" : "\"");
}

class Parser {
 public:
  explicit Parser(std::string_view body) : lex_(body, 1) { next_ = lex_.Next(); }

  bool Read(std::vector<XMesh>& out) {
    for (;;) {
      const Token type = Take();
      if (type.kind == Kind::End) break;
      if (type.kind == Kind::Open) {  // a reference outside any object means nothing
        if (!SkipRest(1)) return false;
        continue;
      }
      if (type.kind != Kind::Word) return Fail(type.line, "expected a data object, found " + Describe(type));
      std::string_view name;
      if (!OpenObject(type, &name)) return false;
      bool ok = true;
      if (type.text == "Frame") {
        ok = ReadFrame(-1, 1);
      } else if (type.text == "Mesh") {
        ok = ReadMesh(-1, 1);
      } else if (type.text == "Material") {
        XMaterial material;
        ok = ReadMaterial(material, 1);
        if (ok && !name.empty()) named_[std::string(name)] = std::move(material);
      } else {
        ok = SkipRest(1);  // templates, the header and objects the game does not use
      }
      if (!ok) return false;
    }
    // Parents come before their children, so one pass gives every frame its world transform.
    std::vector<math::Matrix> world(frames_.size());
    for (size_t f = 0; f < frames_.size(); ++f) {
      const int parent = frames_[f].parent;
      world[f] = parent < 0 ? frames_[f].local
                            : math::MatrixMultiply(frames_[f].local, world[static_cast<size_t>(parent)]);
    }
    for (size_t m = 0; m < meshes_.size(); ++m)
      meshes_[m].world =
          meshFrames_[m] < 0 ? math::MatrixIdentity() : world[static_cast<size_t>(meshFrames_[m])];
    out = std::move(meshes_);
    return true;
  }

  const std::string& Error() const { return error_; }

 private:
  struct Frame {
    int parent;
    math::Matrix local;
  };

  Token Take() {
    Token t = next_;
    if (t.kind != Kind::End) next_ = lex_.Next();
    taken_ = t.line;
    return t;
  }

  bool Fail(int line, const std::string& reason) {
    error_ = "line " + std::to_string(line) + ": " + reason;
    return false;
  }

  static std::string Describe(const Token& t) {
    switch (t.kind) {
      case Kind::End:
        return "the end of the file";
      case Kind::Open:
        return "'{'";
      case Kind::Close:
        return "'}'";
      case Kind::Word:
        return Quote(t.text);
      case Kind::String:
        return "the string " + Quote(t.text);
      case Kind::Unterminated:
        return "a string without its closing quote";
    }
    return "";
  }

  // A whole unsigned decimal number; `what` names it in the error.
  bool Count(uint32_t& out, std::string_view what) {
    const Token t = Take();
    const char* end = t.text.data() + t.text.size();
    if (t.kind != Kind::Word || std::from_chars(t.text.data(), end, out).ptr != end)
      return Fail(t.line, "expected " + std::string(what) + " (a whole number), found " + Describe(t));
    return true;
  }

  bool Index(uint32_t& out, size_t limit, std::string_view what) {
    if (!Count(out, what)) return false;
    if (out >= limit)
      return Fail(taken_, std::string(what) + " " + std::to_string(out) + " is past the end of its list of " +
                              std::to_string(limit));
    return true;
  }

  template <size_t N>
  bool Floats(float (&out)[N]) {
    for (float& value : out) {
      const Token t = Take();
      const char* end = t.text.data() + t.text.size();
      const auto [ptr, ec] = std::from_chars(t.text.data(), end, value);
      if (t.kind != Kind::Word || ptr != end || ec != std::errc())
        return Fail(t.line, "expected a number, found " + Describe(t));
      if (!std::isfinite(value)) return Fail(t.line, "the number " + Quote(t.text) + " is not finite");
    }
    return true;
  }

  bool Vector(math::Vec3& v) {
    float f[3];
    if (!Floats(f)) return false;
    v = {f[0], f[1], f[2]};
    return true;
  }

  // After a data object's type: an optional name, then its opening brace.
  bool OpenObject(const Token& type, std::string_view* name) {
    if (next_.kind == Kind::Word) *name = Take().text;
    const Token open = Take();
    if (open.kind != Kind::Open)
      return Fail(open.line, "expected '{' to open " + Quote(type.text) + ", found " + Describe(open));
    return true;
  }

  bool Close(std::string_view object) {
    const Token t = Take();
    if (t.kind != Kind::Close)
      return Fail(t.line, "expected '}' to close " + std::string(object) + ", found " + Describe(t));
    return true;
  }

  // Skips everything up to the brace that closes the object just opened, at nesting depth `depth`.
  bool SkipRest(int depth) {
    const int start = taken_;
    for (int level = 1; level > 0;) {
      const Token t = Take();
      if (t.kind == Kind::End || t.kind == Kind::Unterminated)
        return Fail(t.line, "the object opened on line " + std::to_string(start) + " is never closed");
      if (t.kind == Kind::Open && depth + level++ > kMaxDepth)
        return Fail(t.line, "objects nested more than " + std::to_string(kMaxDepth) + " deep");
      if (t.kind == Kind::Close) --level;
    }
    return true;
  }

  // The next member of an open object: a data object (its type and name read, its brace opened), a
  // reference ("{ Name }", read whole) or the object's closing brace. False on anything else.
  struct Member {
    Kind kind = Kind::End;  // Word for a data object, Open for a reference, Close at the end
    std::string_view type, name;
    int line = 1;
  };
  bool NextMember(std::string_view owner, int depth, Member& m) {
    const Token t = Take();
    m = Member{};
    m.kind = t.kind;
    m.line = t.line;
    if (t.kind == Kind::Close) return true;
    if (depth >= kMaxDepth)
      return Fail(t.line, "objects nested more than " + std::to_string(kMaxDepth) + " deep");
    if (t.kind == Kind::Open) {
      const Token name = Take();
      if (name.kind != Kind::Word)
        return Fail(name.line, "expected a name in a reference, found " + Describe(name));
      m.name = name.text;
      return Close("the reference");
    }
    if (t.kind != Kind::Word)
      return Fail(t.line, "expected '}' to close " + std::string(owner) + ", found " + Describe(t));
    const char c = t.text.front();
    if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.')
      return Fail(t.line,
                  std::string(owner) + " holds more values than its counts say, from " + Quote(t.text));
    m.type = t.text;
    return OpenObject(t, &m.name);
  }

  bool ReadFrame(int parent, int depth) {
    const int self = static_cast<int>(frames_.size());
    frames_.push_back({parent, math::MatrixIdentity()});
    for (Member m; NextMember("Frame", depth, m) && m.kind != Kind::Close;) {
      bool ok = true;
      if (m.kind == Kind::Open) continue;  // references to other frames or meshes are not instanced
      if (m.type == "FrameTransformMatrix") {
        float f[16];
        ok = Floats(f) && Close("FrameTransformMatrix");
        math::Matrix& local = frames_[static_cast<size_t>(self)].local;
        for (int i = 0; ok && i < 16; ++i) local.m[i / 4][i % 4] = f[i];
      } else if (m.type == "Frame") {
        ok = ReadFrame(self, depth + 1);
      } else if (m.type == "Mesh") {
        ok = ReadMesh(self, depth + 1);
      } else {
        ok = SkipRest(depth + 1);
      }
      if (!ok) return false;
    }
    return error_.empty();
  }

  bool ReadMesh(int frame, int depth) {
    XMesh mesh;
    uint32_t count = 0;
    if (!Count(count, "the vertex count")) return false;
    for (uint32_t i = 0; i < count; ++i) {
      math::Vec3 p;
      if (!Vector(p)) return false;
      mesh.positions.push_back(p);
    }
    if (!Count(count, "the face count")) return false;
    for (uint32_t f = 0; f < count; ++f) {
      uint32_t size = 0;
      if (!Count(size, "a face's index count")) return false;
      if (size == 0) return Fail(taken_, "face " + std::to_string(f) + " has no indices");
      mesh.faceSizes.push_back(size);
      for (uint32_t c = 0; c < size; ++c) {
        uint32_t index = 0;
        if (!Index(index, mesh.positions.size(), "vertex index")) return false;
        mesh.corners.push_back(index);
      }
    }
    // A block given twice counts once: the first one.
    for (Member m; NextMember("Mesh", depth, m) && m.kind != Kind::Close;) {
      bool ok = true;
      if (m.kind == Kind::Open) continue;
      if (m.type == "MeshNormals") {
        ok = ReadNormals(mesh);
      } else if (m.type == "MeshTextureCoords") {
        ok = ReadUvs(mesh);
      } else if (m.type == "MeshVertexColors") {
        ok = ReadColours(mesh);
      } else if (m.type == "MeshMaterialList") {
        ok = ReadMaterialList(mesh, m.line, depth + 1);
      } else {
        ok = SkipRest(depth + 1);
      }
      if (!ok) return false;
    }
    if (!error_.empty()) return false;
    meshes_.push_back(std::move(mesh));
    meshFrames_.push_back(frame);
    return true;
  }

  bool ReadNormals(XMesh& mesh) {
    std::vector<math::Vec3> normals;
    std::vector<uint32_t> corners;
    uint32_t count = 0;
    if (!Count(count, "the normal count")) return false;
    for (uint32_t i = 0; i < count; ++i) {
      math::Vec3 n;
      if (!Vector(n)) return false;
      normals.push_back(n);
    }
    if (!Count(count, "the normal face count")) return false;
    if (count != mesh.faceSizes.size())
      return Fail(taken_, "MeshNormals lists " + std::to_string(count) + " faces, the mesh has " +
                              std::to_string(mesh.faceSizes.size()));
    for (uint32_t f = 0; f < count; ++f) {
      uint32_t size = 0;
      if (!Count(size, "a normal face's index count")) return false;
      if (size != mesh.faceSizes[f])
        return Fail(taken_, "normal face " + std::to_string(f) + " has " + std::to_string(size) +
                                " indices, its face has " + std::to_string(mesh.faceSizes[f]));
      for (uint32_t c = 0; c < size; ++c) {
        uint32_t index = 0;
        if (!Index(index, normals.size(), "normal index")) return false;
        corners.push_back(index);
      }
    }
    if (!Close("MeshNormals")) return false;
    if (mesh.normals.empty()) mesh.normals = std::move(normals), mesh.normalCorners = std::move(corners);
    return true;
  }

  bool ReadUvs(XMesh& mesh) {
    std::vector<math::Vec2> uvs;
    uint32_t count = 0;
    if (!Count(count, "the texture coordinate count")) return false;
    if (count != mesh.positions.size())
      return Fail(taken_, "MeshTextureCoords lists " + std::to_string(count) + " coordinates, the mesh has " +
                              std::to_string(mesh.positions.size()) + " vertices");
    for (uint32_t i = 0; i < count; ++i) {
      float t[2];
      if (!Floats(t)) return false;
      uvs.push_back({t[0], t[1]});
    }
    if (!Close("MeshTextureCoords")) return false;
    if (mesh.uvs.empty()) mesh.uvs = std::move(uvs);
    return true;
  }

  // Indexed colours; a vertex left out is opaque black.
  bool ReadColours(XMesh& mesh) {
    std::vector<gpu::ColorF> colours(mesh.positions.size(), gpu::ColorF{0, 0, 0, 1});
    uint32_t count = 0;
    if (!Count(count, "the vertex colour count")) return false;
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t index = 0;
      float c[4];
      if (!Index(index, colours.size(), "vertex colour index") || !Floats(c)) return false;
      colours[index] = {c[0], c[1], c[2], c[3]};
    }
    if (!Close("MeshVertexColors")) return false;
    if (mesh.colours.empty()) mesh.colours = std::move(colours);
    return true;
  }

  bool ReadMaterialList(XMesh& mesh, int line, int depth) {
    uint32_t declared = 0, count = 0;
    if (!Count(declared, "the material count") || !Count(count, "the face material count")) return false;
    const size_t faces = mesh.faceSizes.size();
    if (count != faces && count != 1)
      return Fail(line, "MeshMaterialList gives " + std::to_string(count) + " face materials, the mesh has " +
                            std::to_string(faces) + " faces");
    std::vector<uint32_t> faceMaterials;
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t index = 0;
      if (!Index(index, declared, "material index")) return false;
      faceMaterials.push_back(index);
    }
    if (count == 1) faceMaterials.assign(faces, faceMaterials.front());  // one index for every face
    std::vector<XMaterial> materials;
    for (Member m; NextMember("MeshMaterialList", depth, m) && m.kind != Kind::Close;) {
      if (m.kind != Kind::Open && m.type != "Material") {
        if (!SkipRest(depth + 1)) return false;
        continue;
      }
      if (++materialCount_ > kMaxMaterials)
        return Fail(m.line, "more than " + std::to_string(kMaxMaterials) + " materials in the file");
      if (m.kind == Kind::Open) {
        const auto found = named_.find(m.name);
        if (found == named_.end()) return Fail(m.line, "no material named " + Quote(m.name));
        materials.push_back(found->second);
        continue;
      }
      XMaterial material;
      if (!ReadMaterial(material, depth + 1)) return false;
      if (!m.name.empty()) named_[std::string(m.name)] = material;
      materials.push_back(std::move(material));
    }
    if (!error_.empty()) return false;
    if (materials.size() != declared)
      return Fail(line, "MeshMaterialList declares " + std::to_string(declared) + " materials and holds " +
                            std::to_string(materials.size()));
    if (mesh.materials.empty() && !materials.empty())
      mesh.materials = std::move(materials), mesh.faceMaterials = std::move(faceMaterials);
    return true;
  }

  bool ReadMaterial(XMaterial& m, int depth) {
    float values[11];
    if (!Floats(values)) return false;
    m.diffuse = {values[0], values[1], values[2], values[3]};
    m.power = values[4];
    m.specular = {values[5], values[6], values[7], 1.0f};
    m.emissive = {values[8], values[9], values[10], 1.0f};
    for (Member member; NextMember("Material", depth, member) && member.kind != Kind::Close;) {
      if (member.kind == Kind::Open) continue;
      if (member.type != "TextureFilename" && member.type != "TextureFileName") {
        if (!SkipRest(depth + 1)) return false;
        continue;
      }
      const Token name = Take();
      if (name.kind != Kind::String)
        return Fail(name.line, "expected a quoted texture file name, found " + Describe(name));
      if (name.text.size() > kMaxTextureName)
        return Fail(name.line,
                    "a texture file name longer than " + std::to_string(kMaxTextureName) + " characters");
      if (!Close("TextureFilename")) return false;
      if (!m.textureFile.empty()) continue;
      // Some exporters double every backslash inside the quotes.
      for (char c : name.text)
        if (c != '\\' || m.textureFile.empty() || m.textureFile.back() != '\\') m.textureFile += c;
    }
    return error_.empty();
  }

  Lexer lex_;
  Token next_;
  std::string error_;
  std::vector<Frame> frames_;
  std::vector<XMesh> meshes_;
  std::vector<int> meshFrames_;  // the frame holding each mesh, -1 for none
  std::map<std::string, XMaterial, std::less<>> named_;
  size_t materialCount_ = 0;
  int taken_ = 1;  // the line of the last token taken
};

}  // namespace

bool ReadX(std::string_view file, std::vector<XMesh>& meshes, std::string* error) {
  auto fail = [&](std::string reason) {
    if (error) *error = std::move(reason);
    return false;
  };
  // "xof ", a version, the format and the float size, 16 characters in all.
  if (file.size() < 16 || file.substr(0, 4) != "xof ") return fail("not a .X file (no \"xof \" header)");
  const std::string_view format = file.substr(8, 4);
  if (format == "bin ") return fail("binary .X files are not supported, only text (\"xof 0303txt\")");
  if (format == "tzip" || format == "bzip")
    return fail("compressed .X files are not supported, only text (\"xof 0303txt\")");
  if (format != "txt ") return fail("unknown .X format (only text, \"xof 0303txt\", is supported)");
  Parser parser(file.substr(16));
  if (!parser.Read(meshes)) return fail(parser.Error());
  return true;
}

}  // namespace plat::mesh
