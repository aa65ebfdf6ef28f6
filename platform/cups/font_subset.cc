#include "platform/cups/font_subset.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include <hb-subset.h>
#include FT_FREETYPE_H

#include <utility>

namespace pellomar {

namespace {

using OwnedHbBlob = std::unique_ptr<hb_blob_t, ReleaseWith<hb_blob_destroy>>;
using OwnedSubsetInput = std::unique_ptr<hb_subset_input_t, ReleaseWith<hb_subset_input_destroy>>;
using OwnedSubsetPlan = std::unique_ptr<hb_subset_plan_t, ReleaseWith<hb_subset_plan_destroy>>;
using OwnedFtLibrary = std::unique_ptr<FT_LibraryRec_, ReleaseWith<FT_Done_FreeType>>;
using OwnedFtFace = std::unique_ptr<FT_FaceRec_, ReleaseWith<FT_Done_Face>>;

// What a cairo face made from memory needs for as long as cairo keeps the
// face, which may be longer than we do (its font caches): the font file,
// a FreeType library of its own and the FreeType face read from the file.
// Members go in reverse: the face, then its library, then the file.
struct FaceMemory {
  OwnedHbBlob file;
  OwnedFtLibrary library;
  OwnedFtFace face;
};

const cairo_user_data_key_t kFaceMemoryKey{};

void ReleaseFaceMemory(void* memory) { delete static_cast<FaceMemory*>(memory); }

// Layout tables are left out: the glyphs are shaped in the full font and
// drawn by id. Without subroutines the subset is made faster and is no
// larger for this kind of font.
OwnedSubsetInput SubsetInput(const hb_set_t* glyphs, const hb_set_t* unicodes) {
  OwnedSubsetInput input(hb_subset_input_create_or_fail());
  if (!input) return input;
  hb_set_union(hb_subset_input_glyph_set(input.get()), glyphs);
  hb_set_union(hb_subset_input_unicode_set(input.get()), unicodes);
  hb_set_t* dropped = hb_subset_input_set(input.get(), HB_SUBSET_SETS_DROP_TABLE_TAG);
  for (const char* table :
       {"GSUB", "GPOS", "GDEF", "BASE", "JSTF", "MATH", "VORG", "vhea", "vmtx"}) {
    hb_set_add(dropped, hb_tag_from_string(table, -1));
  }
  hb_subset_input_set_flags(input.get(), HB_SUBSET_FLAGS_DESUBROUTINIZE);
  return input;
}

// A cairo face of the font file in `file`; null on failure.
OwnedCairoFontFace CairoFaceOf(OwnedHbBlob file) {
  unsigned int length = 0;
  const char* data = hb_blob_get_data(file.get(), &length);
  if (data == nullptr || length == 0) return nullptr;
  auto memory = std::make_unique<FaceMemory>();
  memory->file = std::move(file);
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return nullptr;
  memory->library.reset(library);
  FT_Face face = nullptr;
  if (FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(data),
                         static_cast<FT_Long>(length), 0, &face) != 0) {
    return nullptr;
  }
  memory->face.reset(face);

  OwnedCairoFontFace cairo_face(cairo_ft_font_face_create_for_ft_face(face, 0));
  if (cairo_font_face_status(cairo_face.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  if (cairo_font_face_set_user_data(cairo_face.get(), &kFaceMemoryKey, memory.get(),
                                    ReleaseFaceMemory) != CAIRO_STATUS_SUCCESS) {
    return nullptr;  // the face goes first, the memory it used after it
  }
  memory.release();  // now the face's
  return cairo_face;
}

}  // namespace

std::optional<SubsetFont> SubsetFont::Make(hb_face_t* source, const hb_set_t* glyphs,
                                           const hb_set_t* unicodes) {
  OwnedSubsetInput input = SubsetInput(glyphs, unicodes);
  if (!input) return std::nullopt;
  OwnedSubsetPlan plan(hb_subset_plan_create_or_fail(source, input.get()));
  if (!plan) return std::nullopt;
  OwnedHbFace subset(hb_subset_plan_execute_or_fail(plan.get()));
  if (!subset) return std::nullopt;
  OwnedCairoFontFace face = CairoFaceOf(OwnedHbBlob(hb_face_reference_blob(subset.get())));
  if (!face) return std::nullopt;

  const hb_map_t* subset_id = hb_subset_plan_old_to_new_glyph_mapping(plan.get());
  OwnedHbSet held(hb_set_create());
  std::vector<uint32_t> ids;
  if (!hb_set_is_empty(glyphs)) ids.assign(hb_set_get_max(glyphs) + 1, kMissing);
  for (hb_codepoint_t glyph = HB_SET_VALUE_INVALID; hb_set_next(glyphs, &glyph);) {
    hb_codepoint_t id = hb_map_get(subset_id, glyph);
    if (id == HB_MAP_VALUE_INVALID) continue;
    ids[glyph] = id;
    hb_set_add(held.get(), glyph);
  }
  OwnedHbSet mapped(hb_set_copy(unicodes));
  if (!hb_set_allocation_successful(held.get()) || !hb_set_allocation_successful(mapped.get())) {
    return std::nullopt;
  }
  return SubsetFont(std::move(face), std::move(ids), std::move(held), std::move(mapped));
}

}  // namespace pellomar
