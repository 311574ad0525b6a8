#include "ZorUDAveRuvuzaz.h"

ZAruPDDocManager::ZAruPDDocManager() = default;

ZAruPDDocManager::~ZAruPDDocManager() {
  for (auto& entry : m_mapDocs) delete entry.second;
  m_mapDocs.clear();
}
