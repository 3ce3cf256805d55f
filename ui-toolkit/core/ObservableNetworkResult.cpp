#include "ui-toolkit/core/ObservableNetworkResult.h"

namespace brindle_core {

Brindle::AnyError errorFrom(const std::exception_ptr& error) {
    if (!error) return nullptr;
    try {
        std::rethrow_exception(error);
    } catch (const ErrorException& caught) {
        return caught.error();
    } catch (...) {
        return nullptr;
    }
}

rx::Observable<std::shared_ptr<Brindle::Response<Brindle::Data>>> observableRawRequest(
    Brindle::DataProvider& provider, const Brindle::RequestData& request,
    ObservableNetworkResult<Brindle::Data>::ProgressHandler onProgress) {
    auto result = Brindle::make<ObservableNetworkResult<Brindle::Data>>(std::move(onProgress));
    provider.requestRaw(request, result);
    return result->observable();
}

}  // namespace brindle_core
