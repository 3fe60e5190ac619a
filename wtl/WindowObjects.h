#pragma once
#include <memory>
#include <vector>

// Window objects (CWindow and what derives from it) held by unique_ptr go in this order: the
// window first, while its object still takes the window's last messages, then the object.
template <class T>
void DestroyWindowThenObject(std::unique_ptr<T>& object)
{
    if (object != nullptr && object->IsWindow())
        object->DestroyWindow();
    object.reset();
}

// Every window of the list first, then every object; the list is empty afterwards.
template <class T>
void DestroyWindowsThenObjects(std::vector<std::unique_ptr<T>>& objects)
{
    for (std::unique_ptr<T>& object : objects) {
        if (object->IsWindow())
            object->DestroyWindow();
    }
    objects.clear();
}
