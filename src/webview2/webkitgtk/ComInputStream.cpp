#include "webview2/webkitgtk/ComInputStream.h"

#include <algorithm>
#include <limits>

namespace {

struct VtrComInputStream {
    GInputStream Parent;
    WebView2::IStream* Stream; // one reference, dropped at close
};

struct VtrComInputStreamClass {
    GInputStreamClass ParentClass;
};

G_DEFINE_TYPE(VtrComInputStream, vtr_com_input_stream, G_TYPE_INPUT_STREAM)

VtrComInputStream* Self(gpointer Object) {
    return reinterpret_cast<VtrComInputStream*>(Object);
}

void DropStream(VtrComInputStream* Self) {
    if (WebView2::IStream* stream = Self->Stream) {
        Self->Stream = nullptr;
        stream->Release();
    }
}

gssize ReadBytes(GInputStream* Object, void* Buffer, gsize Count, GCancellable* Cancellable, GError** Error) {
    VtrComInputStream* self = Self(Object);
    if (g_cancellable_set_error_if_cancelled(Cancellable, Error)) {
        return -1;
    }
    if (self->Stream == nullptr) {
        g_set_error_literal(Error, G_IO_ERROR, G_IO_ERROR_CLOSED, "The stream is closed");
        return -1;
    }
    const auto size =
        static_cast<WebView2::UINT32>(std::min<gsize>(Count, std::numeric_limits<WebView2::UINT32>::max()));
    WebView2::UINT32 read = 0;
    if (WebView2::Failed(self->Stream->Read(Buffer, size, &read))) {
        g_set_error_literal(Error, G_IO_ERROR, G_IO_ERROR_FAILED, "The answer's content could not be read");
        return -1;
    }
    return static_cast<gssize>(read);
}

gboolean CloseStream(GInputStream* Object, GCancellable*, GError**) {
    DropStream(Self(Object));
    return TRUE;
}

void Finalize(GObject* Object) {
    DropStream(Self(Object));
    G_OBJECT_CLASS(vtr_com_input_stream_parent_class)->finalize(Object);
}

void vtr_com_input_stream_class_init(VtrComInputStreamClass* Class) {
    G_OBJECT_CLASS(Class)->finalize = Finalize;
    Class->ParentClass.read_fn = ReadBytes;
    Class->ParentClass.close_fn = CloseStream;
}

void vtr_com_input_stream_init(VtrComInputStream* Self) {
    Self->Stream = nullptr;
}

} // namespace

namespace WebView2::WebKitGtk {

GInputStream* NewComInputStream(IStream* Stream) {
    auto* self = Self(g_object_new(vtr_com_input_stream_get_type(), nullptr));
    self->Stream = Stream;
    if (Stream != nullptr) {
        Stream->AddRef();
    }
    return G_INPUT_STREAM(self);
}

} // namespace WebView2::WebKitGtk
