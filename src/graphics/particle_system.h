// Base of the particle systems that models and the graphics object own; the kinds come later.
#pragma once

class ParticleSystem {
 public:
  virtual ~ParticleSystem() = default;
  virtual bool IsFinished() const { return false; }
  virtual void Update(float) {}
  virtual void SetPointSize() {}
  virtual void Render() {}
  virtual void PostRender() {}
};
