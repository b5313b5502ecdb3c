#include "app/OptionSkins.h"

#include <exception>

#include "skin/se_engine.h"
#include "skin/se_skinsource.h"

void SetSkinFile(TComponent* owner, TSeSkinEngine*& engine, const std::string& file) {
  if (!engine) engine = Create<TSeSkinEngine>(owner);
  try {
    engine->SetSkinFile(file);
  } catch (const std::exception&) {
    // The engine keeps the skin it had.
  }
}

bool SkinFileLoads(const std::string& file) {
  try {
    TSeSkinSource trial;
    trial.LoadFromFile(file);
    return trial.Count() > 0;
  } catch (const std::exception&) {
    return false;
  }
}
