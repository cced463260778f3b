// Reads model files (".mdl": parts with their meshes, offsets, lock points and collision spheres) and bare
// .X meshes into models, places them and registers them in the graphics object's model lists.
#include <cstdio>
#include <istream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/text_tokens.h"
#include "platform/services.h"

namespace {

constexpr const char* kArtFolder = "Assets\\Art\\";
// A model file is read whole: at most this many bytes (the game's own take under 1 KiB).
constexpr uintmax_t kMaxModelFileBytes = uintmax_t{1} << 20;
// A damaged file can hold thousands of malformed numbers; the first few say enough.
constexpr int kListedMalformedNumbers = 10;

// Something the reader has to say about a line of the file.
struct Notice {
  int line = 1;
  std::string text;
};

// Builds one model from a model file. A file whose structure is broken fails the whole load; numbers follow
// the leading-number rule, and a token that is not wholly a number is noted with what it was read as.
class ModelFileReader {
 public:
  ModelFileReader(Graphics& graphics, std::istream& in, Model& model)
      : graphics_(graphics), in_(in), model_(model) {}

  // False with the error set when the file's structure is broken. A part left out for its mesh, a record cut
  // short by the end of the file and a malformed number are noted; the model read so far stands.
  bool Read() {
    const bool read = ReadModel();
    if (malformedNumbers_ > kListedMalformedNumbers) {
      Note(std::to_string(malformedNumbers_ - kListedMalformedNumbers) +
           " more malformed numbers are not listed");
    }
    return read;
  }

  const Notice& Error() const { return error_; }
  const std::vector<Notice>& Notes() const { return notes_; }

 private:
  bool ReadModel() {
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

  // One part record with its lock points and spheres, up to the next "Object" or the end of the file.
  bool ReadPart(bool& fileEnded) {
    std::string meshName;
    if (!in_.Next(meshName)) {  // only white space after "Object": the model ends here
      fileEnded = true;
      return true;
    }
    const std::string partName = "part " + Quoted(meshName);
    float offset[3] = {0, 0, 0};
    if (!NextReal(offset[0], partName + " offset x") || !NextReal(offset[1], partName + " offset y") ||
        !NextReal(offset[2], partName + " offset z")) {
      return Fail("the file ends inside the record of " + partName);
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
    if (!in_.Next(token))
      return Fail("expected \"LockPoints\" after the record of " + partName + ", but the file ends");
    if (token != "LockPoints") {
      return Fail("expected \"LockPoints\" after the record of " + partName + ", found " + Quoted(token));
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
      if (in_.AtEnd() || !NextReal(local.x, what + " x") || !NextReal(local.y, what + " y") ||
          !NextReal(local.z, what + " z")) {
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
      // Any other token opens a sphere record as its first number.
      CollisionSphere sphere;
      int flagA = 0, flagB = 0;
      sphere.localCentre.x = Real(first, "sphere centre x");
      if (in_.AtEnd() || !NextReal(sphere.localCentre.y, "sphere centre y") ||
          !NextReal(sphere.localCentre.z, "sphere centre z") || !NextReal(sphere.radius, "sphere radius") ||
          !NextInteger(flagA, "sphere flag A") || !NextInteger(flagB, "sphere flag B")) {
        Note("the file ends inside the record of a collision sphere; the record is dropped");
        fileEnded = true;
        return true;
      }
      sphere.flagA = flagA != 0;
      sphere.flagB = flagB != 0;
      if (part != nullptr) part->spheres.push_back(sphere);
    }
  }

  // A token as a number field; one that is not wholly a number is noted.
  float Real(const std::string& token, const std::string& what) {
    std::string malformed;
    const float value = RealField(token, what, malformed);
    NoteMalformed(std::move(malformed));
    return value;
  }

  // The next token as a number field; false when the file ends first.
  bool NextReal(float& out, const std::string& what) {
    std::string token;
    if (!in_.Next(token)) return false;
    out = Real(token, what);
    return true;
  }

  bool NextInteger(int& out, const std::string& what) {
    std::string token;
    if (!in_.Next(token)) return false;
    std::string malformed;
    out = IntegerField(token, what, malformed);
    NoteMalformed(std::move(malformed));
    return true;
  }

  void NoteMalformed(std::string text) {
    if (!text.empty() && ++malformedNumbers_ <= kListedMalformedNumbers) Note(std::move(text));
  }

  void Note(std::string text) { notes_.push_back({in_.Line(), std::move(text)}); }

  bool Fail(std::string text) {
    error_ = {in_.Line(), std::move(text)};
    return false;
  }

  Graphics& graphics_;
  TokenReader in_;
  Model& model_;
  Notice error_;
  std::vector<Notice> notes_;
  int malformedNumbers_ = 0;
};

}  // namespace

bool Graphics::LoadModel(Model** out, const char* file, float x, float y, float z, bool blended,
                         bool scenery) {
  if (out == nullptr || file == nullptr) return false;
  const std::string name = file;
  const std::string path = kArtFolder + name;
  auto model = std::make_unique<Model>();

  // Reported on stderr once per file and message: models are loaded again for every object that uses them.
  auto report = [this, &path](const std::string& place, const std::string& message) {
    const std::string key = path + place + '\n' + message;
    for (const std::string& reported : reportedFailures) {
      if (reported == key) return;
    }
    reportedFailures.push_back(key);
    std::fprintf(stderr, "Graphics: model file %s%s: %s\n", path.c_str(), place.c_str(), message.c_str());
  };
  auto reportAt = [&report](const Notice& notice) {
    report(", line " + std::to_string(notice.line), notice.text);
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
    std::string why = "no services";
    if (services != nullptr) in = services->files().OpenText(path, kMaxModelFileBytes, &why);
    if (in == nullptr) {
      report("", "cannot be opened: " + why);
      return false;
    }
    ModelFileReader reader(*this, *in, *model);
    if (!reader.Read()) {
      reportAt(reader.Error());
      return false;  // the half-built model and its parts go with it; nothing was registered
    }
    for (const Notice& note : reader.Notes()) reportAt(note);
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
