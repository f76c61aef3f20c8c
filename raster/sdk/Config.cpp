#include "raster/sdk/Config.h"

namespace Orv::SDK {

CFileBase::CFileFactoryHelper CFileBase::sFilesHelper;

CFileFactory* CFileBase::CFileFactoryHelper::Get() {
    static CFileFactory factory;
    return &factory;
}

} // namespace Orv::SDK
