#include "ui/skin.h"

#include "resource.h"

namespace vidudi::ui {

namespace {

struct SkinImage {
    int id;
    const char* normal;
    const char* highlighted;
};

constexpr SkinImage kSkinImages[] = {
    {IDC_REFRESH, "search.bmp", "search_on.bmp"},
    {IDC_FIND_DEVICE, "find_device_normal.bmp", "find_device_over.bmp"},
    {IDC_DEVICE_SETTING, "device_setting.bmp", "device_setting_on.bmp"},
    {IDC_IP_SETTING, "ip_setting.bmp", "ip_setting_on.bmp"},
    {IDC_MAP_DRIVE, "mount.bmp", "mount_on.bmp"},
    {IDC_CONFIGURATION, "management.bmp", "management_on.bmp"},
    {IDC_ABOUT, "about.bmp", "about_on.bmp"},
    {IDC_EXIT, "exit.bmp", "exit_on.bmp"},
};

struct HoverFace {
    int id;
    int normal;
    int hover;
};

constexpr HoverFace kHoverFaces[] = {
    {IDC_MOUNT, IDB_MOUNT, IDB_MOUNT_HOVER},
    {IDC_UNMOUNT, IDB_UNMOUNT, IDB_UNMOUNT_HOVER},
    {IDC_MODIFY_DEVICE, IDB_MODIFY, IDB_MODIFY_HOVER},
    {IDC_MODIFY_IP, IDB_MODIFY, IDB_MODIFY_HOVER},
};

}  // namespace

const char* GetSkinImageName(int controlId, bool highlighted) {
    for (const SkinImage& image : kSkinImages) {
        if (image.id == controlId) return highlighted ? image.highlighted : image.normal;
    }
    return nullptr;
}

int HoverFaceBitmap(int controlId, bool hover) {
    for (const HoverFace& face : kHoverFaces) {
        if (face.id == controlId) return hover ? face.hover : face.normal;
    }
    return 0;
}

int SectionButton(int section) {
    constexpr int kButtons[] = {IDC_REFRESH, IDC_DEVICE_SETTING, IDC_IP_SETTING, IDC_MAP_DRIVE, IDC_ABOUT};
    return section >= 1 && section <= 5 ? kButtons[section - 1] : 0;
}

}  // namespace vidudi::ui
