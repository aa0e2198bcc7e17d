#pragma once
// The skinned look: which image file a section-bar button shows, and which face bitmap a small
// button wears under the pointer.

namespace vidudi::ui {

// The image file (under "res\") of a file-skinned bar button, or nullptr for any other control.
const char* GetSkinImageName(int controlId, bool highlighted);

// The face bitmap of a resource-skinned button in its normal or hover state, or 0 for a control
// that has none (the main window's Mount, Unmount and the two Modify buttons).
int HoverFaceBitmap(int controlId, bool hover);

// The bar button that stands for a section (1 Find Device ... 5 About).
int SectionButton(int section);

}  // namespace vidudi::ui
