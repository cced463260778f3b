// Reads model files (".mdl": parts with their meshes, offsets, lock points and collision spheres) and bare
// .X meshes into models, places them and registers them in the graphics object's model lists.
#include <charconv>
#include <cstdio>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/text_tokens.h"
#include "platform/services.h"

namespace {

constexpr const char* kArtFolder = "Assets\\Art\\";

// A decimal float written in full: optional sign, digits with an optional point, optional exponent.
bool ParseFloat(std::string_view text, float& out) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t exponentStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == exponentStart) return false;
  }
  if (i != text.size()) return false;
  // from_chars takes a minus sign but not a plus sign.
  const char* first = text.data() + (text[0] == '+' ? 1 : 0);
  const auto result = std::from_chars(first, text.data() + text.size(), out);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// A decimal integer written in full: optional sign and digits.
bool ParseInt(std::string_view text, int& out) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') {
    ++first;
    if (first != last && *first == '-') return false;
  }
  if (first == last) return false;
  const auto result = std::from_chars(first, last, out);
  return result.ec == std::errc() && result.ptr == last;
}

// Builds one model from a model file. Reading stops at the first error; an error fails the whole load.
class ModelFileReader {
 public:
  ModelFileReader(Graphics& graphics, std::istream& in, Model& model) : graphics_(graphics), in_(in), model_(model) {}

  // False with the error set when the file is malformed. A part left out for its mesh and a record cut short
  // by the end of the file are noted; the model read so far stands.
  bool Read() {
    std::string token;
    if (!in_.Next(token)) return Fail("expected \"Object\", but the file is empty");
    if (token != "Object") return Fail("expected \"Object\", found " + Quoted(token));
    if (in_.AtEnd()) return true;  // a model without parts
    for (;;) {
      bool fileEnded = false;
      if (!ReadPart(fileEnded)) return false;
      if (fileEnded) return true;
    }
  }

  const std::string& Error() const { return error_; }
  const std::vector<std::string>& Notes() const { return notes_; }

 private:
  enum class Field { Ok, CutShort, Malformed };

  // One part record with its lock points and spheres, up to the next "Object" or the end of the file.
  bool ReadPart(bool& fileEnded) {
    std::string meshName;
    if (!in_.Next(meshName)) {  // only white space after "Object": the model ends here
      fileEnded = true;
      return true;
    }
    float offset[3] = {0, 0, 0};
    for (float& value : offset) {
      if (ReadFloat(value, "the offset of part " + Quoted(meshName)) != Field::Ok) {
        return error_.empty() ? Fail("the file ends inside the part record of " + Quoted(meshName)) : false;
      }
    }

    // A part whose mesh cannot be loaded (the mesh cache has reported it) is left out; its lock points and
    // spheres are still read so that they cannot end up on another part.
    std::unique_ptr<ObjectPart> part;
    ObjectPart* created = nullptr;
    const std::string meshPath = kArtFolder + meshName;
    if (graphics_.CreateObjectPart(&created, meshPath.c_str())) {
      part.reset(created);
    } else {
      Note("the part of " + Quoted(meshName) + " is left out: its mesh cannot be loaded");
    }

    std::string token;
    if (!in_.Next(token)) return Fail("expected \"LockPoints\" after the part record of " + Quoted(meshName) +
                                      ", but the file ends");
    if (token != "LockPoints") {
      return Fail("expected \"LockPoints\" after the part record of " + Quoted(meshName) + ", found " +
                  Quoted(token));
    }

    if (!ReadLockPoints(part.get(), fileEnded)) return false;
    if (!fileEnded && !ReadSpheres(part.get(), fileEnded)) return false;

    if (part != nullptr) {
      part->SetOffset(offset[0], offset[1], offset[2]);
      model_.parts.push_back(part.get());
      part.release();
    }
    return true;
  }

  // Lock-point records up to "Collision"; the end of the file ends the list and the part.
  bool ReadLockPoints(ObjectPart* part, bool& fileEnded) {
    std::string name;
    for (;;) {
      if (!in_.Next(name)) {
        fileEnded = true;
        return true;
      }
      if (name == "Collision") return true;
      math::Vec3 local;
      const std::string what = "lock point " + Quoted(name);
      Field field = in_.AtEnd() ? Field::CutShort : Field::Ok;
      if (field == Field::Ok) field = ReadFloat(local.x, what);
      if (field == Field::Ok) field = ReadFloat(local.y, what);
      if (field == Field::Ok) field = ReadFloat(local.z, what);
      if (field == Field::Malformed) return false;
      if (field == Field::CutShort) {
        Note("the file ends inside the record of " + what + "; the record is dropped");
        fileEnded = true;
        return true;
      }
      if (part != nullptr) part->lockPoints.push_back(LockPoint{local, {}, name});
    }
  }

  // Sphere records up to "Object" (the next part) or the end of the file.
  bool ReadSpheres(ObjectPart* part, bool& fileEnded) {
    std::string first;
    for (;;) {
      if (!in_.Next(first)) {
        fileEnded = true;
        return true;
      }
      if (first == "Object") {
        fileEnded = in_.AtEnd();
        return true;
      }
      CollisionSphere sphere;
      int flagA = 0, flagB = 0;
      const std::string what = "a collision sphere";
      if (!ParseFloat(first, sphere.localCentre.x)) {
        return Fail("expected a number (the centre of a collision sphere) or \"Object\", found " + Quoted(first));
      }
      Field field = in_.AtEnd() ? Field::CutShort : Field::Ok;
      if (field == Field::Ok) field = ReadFloat(sphere.localCentre.y, "the centre of " + what);
      if (field == Field::Ok) field = ReadFloat(sphere.localCentre.z, "the centre of " + what);
      if (field == Field::Ok) field = ReadFloat(sphere.radius, "the radius of " + what);
      if (field == Field::Ok) field = ReadInt(flagA, "the first flag of " + what);
      if (field == Field::Ok) field = ReadInt(flagB, "the second flag of " + what);
      if (field == Field::Malformed) return false;
      if (field == Field::CutShort) {
        Note("the file ends inside the record of " + what + "; the record is dropped");
        fileEnded = true;
        return true;
      }
      sphere.flagA = flagA != 0;
      sphere.flagB = flagB != 0;
      if (part != nullptr) part->spheres.push_back(sphere);
    }
  }

  Field ReadFloat(float& out, const std::string& what) {
    std::string token;
    if (!in_.Next(token)) return Field::CutShort;
    if (!ParseFloat(token, out)) {
      Fail("expected a number (" + what + "), found " + Quoted(token));
      return Field::Malformed;
    }
    return Field::Ok;
  }

  Field ReadInt(int& out, const std::string& what) {
    std::string token;
    if (!in_.Next(token)) return Field::CutShort;
    if (!ParseInt(token, out)) {
      Fail("expected a whole number (" + what + "), found " + Quoted(token));
      return Field::Malformed;
    }
    return Field::Ok;
  }

  void Note(const std::string& message) { notes_.push_back("line " + std::to_string(in_.Line()) + ": " + message); }

  bool Fail(const std::string& message) {
    error_ = "line " + std::to_string(in_.Line()) + ": " + message;
    return false;
  }

  Graphics& graphics_;
  TokenReader in_;
  Model& model_;
  std::string error_;
  std::vector<std::string> notes_;
};

}  // namespace

bool Graphics::LoadModel(Model** out, const char* file, float x, float y, float z, bool blended, bool scenery) {
  if (out == nullptr || file == nullptr) return false;
  const std::string name = file;
  const std::string path = kArtFolder + name;
  auto model = std::make_unique<Model>();

  // Reported on stderr once per file and message: models are loaded again for every object that uses them.
  auto report = [this, &path](const std::string& message) {
    const std::string key = path + '\n' + message;
    for (const std::string& reported : reportedFailures) {
      if (reported == key) return;
    }
    reportedFailures.push_back(key);
    std::fprintf(stderr, "Graphics: model file %s: %s\n", path.c_str(), message.c_str());
  };

  if (name.find(".X") != std::string::npos || name.find(".x") != std::string::npos) {
    // A bare mesh is a one-part model. When the mesh cannot be loaded (the mesh cache has said so) the
    // model has no parts.
    ObjectPart* part = nullptr;
    if (CreateObjectPart(&part, path.c_str())) {
      std::unique_ptr<ObjectPart> owned(part);
      model->parts.push_back(part);
      owned.release();
    }
  } else {
    std::unique_ptr<std::istream> in;
    if (services != nullptr) in = services->files().OpenText(path);
    if (in == nullptr) {
      report("cannot be opened");
      return false;
    }
    ModelFileReader reader(*this, *in, *model);
    if (!reader.Read()) {
      report(reader.Error());
      return false;  // the half-built model and its parts go with it; nothing was registered
    }
    for (const std::string& note : reader.Notes()) report(note);
  }

  model->SetPosition(x, y, z);
  Model* placed = model.get();
  if (blended) {
    blendedModels.push_back(placed);
  } else if (scenery) {
    sceneryModels.push_back(placed);
  } else {
    entityModels.push_back(placed);
  }
  model.release();
  *out = placed;
  return true;
}

bool Graphics::CreateObjectPart(ObjectPart** out, const char* meshPath) {
  if (out == nullptr || meshPath == nullptr) return false;
  int index = FindMesh(meshPath);
  if (index < 0) index = LoadMesh(meshPath);
  if (index < 0) return false;
  *out = new ObjectPart(meshes[static_cast<size_t>(index)]);
  return true;
}
