// One line per Direct3D 9 or D3DX operation. Included inside namespace platform, twice in the test
// build. A creation has failed when its HRESULT is negative.

// The interface (null on failure) and the device for a window (a null window gives a failure).
PLATFORM_OPERATION(IDirect3D9*, Direct3DCreate9, (UINT sdkVersion), ::Direct3DCreate9(sdkVersion))
PLATFORM_OPERATION(HRESULT, CreateDevice,
                   (IDirect3D9* direct3D, UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                    D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device),
                   direct3D->CreateDevice(adapter, type, focusWindow, behaviorFlags, parameters, device))
// D3D_OK while the device can draw; D3DERR_DEVICELOST while it is lost and cannot be reset yet;
// D3DERR_DEVICENOTRESET once Reset may bring it back.
PLATFORM_OPERATION(HRESULT, TestCooperativeLevel, (IDirect3DDevice9* device), device->TestCooperativeLevel())
// Brings a lost device back with these presentation parameters. Refused while any default-pool
// object made on the device lives; afterwards all device state is at its defaults.
PLATFORM_OPERATION(HRESULT, Reset, (IDirect3DDevice9* device, D3DPRESENT_PARAMETERS* parameters),
                   device->Reset(parameters))
// Gives up the caller's one reference.
PLATFORM_OPERATION(ULONG, Release, (IUnknown* object), object->Release())

// The device's behaviour flags, for choosing the buffers' usage.
PLATFORM_OPERATION(HRESULT, GetCreationParameters,
                   (IDirect3DDevice9* device, D3DDEVICE_CREATION_PARAMETERS* parameters),
                   device->GetCreationParameters(parameters))
PLATFORM_OPERATION(HRESULT, CreateVertexDeclaration,
                   (IDirect3DDevice9* device, const D3DVERTEXELEMENT9* elements,
                    IDirect3DVertexDeclaration9** declaration),
                   device->CreateVertexDeclaration(elements, declaration))
// Binds the declaration for later draws; null unbinds it.
PLATFORM_OPERATION(HRESULT, SetVertexDeclaration,
                   (IDirect3DDevice9* device, IDirect3DVertexDeclaration9* declaration),
                   device->SetVertexDeclaration(declaration))

// Buffers, and a writable pointer to the whole buffer between Lock and Unlock.
PLATFORM_OPERATION(HRESULT, CreateVertexBuffer,
                   (IDirect3DDevice9* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                    IDirect3DVertexBuffer9** buffer, HANDLE* shared),
                   device->CreateVertexBuffer(length, usage, fvf, pool, buffer, shared))
PLATFORM_OPERATION(HRESULT, CreateIndexBuffer,
                   (IDirect3DDevice9* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                    IDirect3DIndexBuffer9** buffer, HANDLE* shared),
                   device->CreateIndexBuffer(length, usage, format, pool, buffer, shared))
PLATFORM_OPERATION(HRESULT, LockVertexBuffer,
                   (IDirect3DVertexBuffer9* buffer, UINT offset, UINT size, void** data, DWORD flags),
                   buffer->Lock(offset, size, data, flags))
PLATFORM_OPERATION(HRESULT, UnlockVertexBuffer, (IDirect3DVertexBuffer9* buffer), buffer->Unlock())
PLATFORM_OPERATION(HRESULT, LockIndexBuffer,
                   (IDirect3DIndexBuffer9* buffer, UINT offset, UINT size, void** data, DWORD flags),
                   buffer->Lock(offset, size, data, flags))
PLATFORM_OPERATION(HRESULT, UnlockIndexBuffer, (IDirect3DIndexBuffer9* buffer), buffer->Unlock())

// Shaders made from compiled Direct3D 9 byte code.
PLATFORM_OPERATION(HRESULT, CreateVertexShader,
                   (IDirect3DDevice9* device, const DWORD* code, IDirect3DVertexShader9** shader),
                   device->CreateVertexShader(code, shader))
PLATFORM_OPERATION(HRESULT, CreatePixelShader,
                   (IDirect3DDevice9* device, const DWORD* code, IDirect3DPixelShader9** shader),
                   device->CreatePixelShader(code, shader))

// A frame. Only Present's result is examined: D3DERR_DEVICELOST says the device was lost.
PLATFORM_OPERATION(HRESULT, Clear,
                   (IDirect3DDevice9* device, DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                    float z, DWORD stencil),
                   device->Clear(rectCount, rects, flags, color, z, stencil))
PLATFORM_OPERATION(HRESULT, BeginScene, (IDirect3DDevice9* device), device->BeginScene())
PLATFORM_OPERATION(HRESULT, SetVertexShader, (IDirect3DDevice9* device, IDirect3DVertexShader9* shader),
                   device->SetVertexShader(shader))
PLATFORM_OPERATION(HRESULT, SetPixelShader, (IDirect3DDevice9* device, IDirect3DPixelShader9* shader),
                   device->SetPixelShader(shader))
PLATFORM_OPERATION(HRESULT, SetStreamSource,
                   (IDirect3DDevice9* device, UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride),
                   device->SetStreamSource(stream, buffer, offset, stride))
PLATFORM_OPERATION(HRESULT, SetIndices, (IDirect3DDevice9* device, IDirect3DIndexBuffer9* buffer),
                   device->SetIndices(buffer))
PLATFORM_OPERATION(HRESULT, DrawIndexedPrimitive,
                   (IDirect3DDevice9* device, D3DPRIMITIVETYPE type, INT baseVertex, UINT minVertex, UINT vertexCount,
                    UINT startIndex, UINT primitiveCount),
                   device->DrawIndexedPrimitive(type, baseVertex, minVertex, vertexCount, startIndex, primitiveCount))
PLATFORM_OPERATION(HRESULT, EndScene, (IDirect3DDevice9* device), device->EndScene())
PLATFORM_OPERATION(HRESULT, Present,
                   (IDirect3DDevice9* device, const RECT* source, const RECT* destination, HWND window,
                    const RGNDATA* dirtyRegion),
                   device->Present(source, destination, window, dirtyRegion))

// D3DX: the constant table carried in the byte code, and handles of its named top-level constants
// (null when the shader has none of that name).
PLATFORM_OPERATION(HRESULT, D3DXGetShaderConstantTable, (const DWORD* code, ID3DXConstantTable** table),
                   ::D3DXGetShaderConstantTable(code, table))
PLATFORM_OPERATION(D3DXHANDLE, GetConstantByName, (ID3DXConstantTable* table, D3DXHANDLE parent, LPCSTR name),
                   table->GetConstantByName(parent, name))
// Constants set on the device for the next draws.
PLATFORM_OPERATION(HRESULT, SetDefaults, (ID3DXConstantTable* table, IDirect3DDevice9* device),
                   table->SetDefaults(device))
PLATFORM_OPERATION(HRESULT, SetFloatArray,
                   (ID3DXConstantTable* table, IDirect3DDevice9* device, D3DXHANDLE constant, const FLOAT* values,
                    UINT count),
                   table->SetFloatArray(device, constant, values, count))
PLATFORM_OPERATION(HRESULT, SetMatrix,
                   (ID3DXConstantTable* table, IDirect3DDevice9* device, D3DXHANDLE constant, const D3DXMATRIX* matrix),
                   table->SetMatrix(device, constant, matrix))
// The left-handed perspective projection; with only a translation, the identity with the translation
// in the fourth row.
PLATFORM_OPERATION(D3DXMATRIX*, D3DXMatrixPerspectiveFovLH,
                   (D3DXMATRIX* out, FLOAT fieldOfView, FLOAT aspect, FLOAT nearPlane, FLOAT farPlane),
                   ::D3DXMatrixPerspectiveFovLH(out, fieldOfView, aspect, nearPlane, farPlane))
PLATFORM_OPERATION(D3DXMATRIX*, D3DXMatrixTransformation,
                   (D3DXMATRIX* out, const D3DXVECTOR3* scalingCenter, const D3DXQUATERNION* scalingRotation,
                    const D3DXVECTOR3* scaling, const D3DXVECTOR3* rotationCenter, const D3DXQUATERNION* rotation,
                    const D3DXVECTOR3* translation),
                   ::D3DXMatrixTransformation(out, scalingCenter, scalingRotation, scaling, rotationCenter, rotation,
                                              translation))
